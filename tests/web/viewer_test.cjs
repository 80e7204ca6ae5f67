// The page as a viewer's machine runs it: Debian's chromium or firefox-esr
// with a window on an X display (viewer_test.sh starts Xvfb and a private
// PulseAudio server with two null sinks), the show started fullscreen from its
// dialog, keys sent as real X key presses.
//   sound: the sink's sound over 30 s equals the decoded music block by
//          block, idle and with the page's thread stalled 100 ms every second;
//          sound-loaded: the same beside two busy loops at the browser's own
//          priority (this process's). Beside each
//          recording paplay plays the same music into the other sink, recorded
//          the same way: when that control loses blocks the machine is
//          unfit to judge, and the run is skipped (exit 77) with the figures.
//   sync:  the show runs until viewer_test.sh has measured it (the control
//          folder's "measured" file), its context at the server's rate.
// Each ends the show with one Escape, which must end it in fullscreen.
// Usage: node viewer_test.cjs sound|sound-loaded|sync BROWSER SITE OUTPUT CONTROL RATE
'use strict';
const assert = require('node:assert/strict');
const { execFileSync, spawn } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const [mode, browserName, site, output, control, rateText] = process.argv.slice(2);
if (!['sound', 'sound-loaded', 'sync'].includes(mode) || !['chromium', 'firefox'].includes(browserName) ||
    !site || !output || !control || !rateText) {
  console.error('usage: node viewer_test.cjs sound|sound-loaded|sync chromium|firefox SITE OUTPUT CONTROL RATE');
  process.exit(2);
}
const rate = Number(rateText);
fs.mkdirSync(output, { recursive: true });
const { musicFile, serveSite, withBrowser } = require('./site_server.cjs');

const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

// A real key press on the X display, as a keyboard would send it.
function xKey(key) {
  execFileSync('xdotool', ['key', key]);
}

// The monitor of `sink`, 32-bit float stereo at the sink's rate, for `seconds`.
function record(sink, seconds) {
  const file = path.join(os.tmpdir(), `vsf-sound-${process.pid}-${sink}.raw`);
  const recorder = spawn('parecord', ['--raw', `--device=${sink}.monitor`,
    '--format=float32le', `--rate=${rate}`, '--channels=2', '--latency-msec=20', file]);
  return sleep(seconds * 1000).then(() => new Promise(resolve => {
    recorder.on('exit', () => {
      const bytes = fs.readFileSync(file);
      fs.rmSync(file);
      resolve(new Float32Array(bytes.buffer, bytes.byteOffset, bytes.length / 4));
    });
    recorder.kill('SIGINT');
  }));
}

// The music file's own rate.
const musicRate = 44100;

// The music as libvorbis decodes it, at `atRate` (FFmpeg resamples).
function decodedMusic(atRate) {
  const bytes = execFileSync('ffmpeg', ['-nostdin', '-hide_banner', '-loglevel', 'error',
    '-c:a', 'libvorbis', '-i', path.join(site, musicFile), '-ac', '2', '-ar', String(atRate),
    '-f', 'f32le', '-'], { maxBuffer: 1 << 30 });
  return new Float32Array(bytes.buffer, bytes.byteOffset, bytes.length / 4);
}

// The page's sink and, beside it, paplay playing `musicRaw` into the
// control sink, both recorded for `seconds`.
async function recordWithControl(seconds, musicRaw) {
  const player = spawn('paplay', ['--raw', '--device=vsf_control', '--format=float32le',
    `--rate=${rate}`, '--channels=2', musicRaw], { stdio: 'ignore' });
  const [page, control] = await Promise.all([record('vsf_sync', seconds),
                                             record('vsf_control', seconds)]);
  player.kill('SIGINT');
  return { page, control };
}

// Two busy loops at the browser's own priority (this process's).
function startBusyLoops() {
  return [0, 1].map(() => spawn('sh', ['-c', 'while :; do :; done'], { stdio: 'ignore' }));
}

// Far below anything audible, far above the rounding of the two decoders'
// builds and the server's sample format. Resampled to another rate, the
// page's music (libsamplerate) and FFmpeg's differ by the two resamplers'
// own errors, near the top of the band the music reaches (up to 1.2e-3):
// still far below anything audible, while a single frame lost or repeated,
// or music played fast, misses it many times over.
const exactTolerance = 1e-3;
const resampledTolerance = 5e-3;
const blockSeconds = 0.05;

// Where `at` (a stereo frame of the recording) is in the music: the music's
// frame whose next `length` frames match it within `tolerance`, or -1.
function findInMusic(recording, at, music, length, tolerance) {
  const frames = music.length / 2;
  for (let start = 0; start + length <= frames; ++start) {
    let i = 0;
    while (i < 2 * length && Math.abs(music[2 * start + i] - recording[2 * at + i]) <= tolerance) ++i;
    if (i === 2 * length) return start;
  }
  return -1;
}

// The recording's 50 ms blocks from a second after its first sound on (the
// recorder's first moments are its own), each compared with the music (both
// at `atRate`) where the first block was found; a block that differs is
// looked up again, and how far the music moved is a gap (or a repeat) heard
// there. The largest difference of a block that matched is reported too.
function compareWithMusic(recording, music, atRate, tolerance) {
  const frames = recording.length / 2;
  let first = 0;
  while (first < frames && Math.abs(recording[2 * first]) < 0.01) ++first;
  first += atRate;
  const block = Math.round(blockSeconds * atRate);
  const start = first;
  // Blocks before the first found anywhere in the music differ.
  let lost = 0;
  let offset = -1;
  for (; first + block <= frames; first += block, ++lost) {
    const found = findInMusic(recording, first, music, block, tolerance);
    if (found >= 0) {
      offset = found - first;
      break;
    }
  }
  let blocks = lost;
  let differing = lost;
  let largest = 0;
  const gaps = [];
  for (let at = first; at + block <= frames; at += block) {
    ++blocks;
    let same = at + offset + block <= music.length / 2;
    let worst = 0;
    for (let i = 0; same && i < 2 * block; ++i) {
      const difference = Math.abs(recording[2 * at + i] - music[2 * (at + offset) + i]);
      worst = Math.max(worst, difference);
      same = difference <= tolerance;
    }
    if (same) {
      largest = Math.max(largest, worst);
      continue;
    }
    ++differing;
    const found = findInMusic(recording, at + block, music, block, tolerance);
    if (found >= 0 && found - at - block !== offset) {
      gaps.push((at + offset + block - found) / atRate * 1000);
      offset = found - at - block;
    }
  }
  return { blocks, differing, gaps, largest, seconds: (frames - start) / atRate };
}

async function startShow(browser, base) {
  const page = await browser.newPage();
  const errors = [];
  const warnings = [];
  page.on('console', message => {
    if (message.type() === 'error') errors.push(message.text());
    if (message.type() === 'warning') warnings.push(message.text());
  });
  page.on('pageerror', error => errors.push(String(error)));
  // Counts script processors made, the deprecated main-thread audio.
  await page.evaluateOnNewDocument(() => {
    const make = AudioContext.prototype.createScriptProcessor;
    window.vsfScriptProcessors = 0;
    AudioContext.prototype.createScriptProcessor = function (...args) {
      ++window.vsfScriptProcessors;
      return make.apply(this, args);
    };
  });
  await page.goto(base);
  await page.waitForSelector('#setup-dialog', { timeout: 60000 });
  await page.bringToFront();
  // OK with the defaults: fullscreen, sound.
  xKey('Return');
  await page.waitForFunction(() => document.fullscreenElement !== null, { timeout: 10000 });
  await page.waitForFunction(() => VsfAudio.state().played > 0, { timeout: 10000 });
  const state = await page.evaluate(() => VsfAudio.state());
  console.log(`${browserName}: ${JSON.stringify(state)}`);
  assert.equal(state.sampleRate, rate, 'the context runs at the server\'s rate');
  return { page, errors, warnings };
}

// One Escape, as a real key, ends the show in fullscreen.
async function escapeEnds(page) {
  assert.ok(await page.evaluate(() => document.fullscreenElement !== null), 'not fullscreen');
  xKey('Escape');
  await page.waitForFunction(() => document.body.dataset.ended === '0', { timeout: 5000 });
  await page.waitForFunction(() => document.fullscreenElement === null, { timeout: 5000 });
}

// A window on the private display, with sound.
const onScreen = {
  headless: false,
  defaultViewport: null,
  chromiumOnly: {
    // No automation bar across the top, and sound.
    ignoreDefaultArgs: ['--enable-automation', '--mute-audio'],
    args: ['--window-position=0,0', '--window-size=1024,768',
           '--disable-background-timer-throttling', '--disable-renderer-backgrounding'],
  },
};

async function main() {
  const server = await serveSite(site);
  const base = `http://127.0.0.1:${server.address().port}/`;
  let failed = false;
  let skipped = false;
  try {
    await withBrowser(browserName, async browser => {
      const { page, errors, warnings } = await startShow(browser, base);
      if (mode !== 'sync') {
        const atContext = decodedMusic(rate);
        const musicRaw = path.join(control, 'music.raw');
        fs.writeFileSync(musicRaw, atContext);
        const loaded = mode === 'sound-loaded';
        const loops = loaded ? startBusyLoops() : [];
        let runs;
        try {
          await sleep(1000);
          const idle = await recordWithControl(31, musicRaw);
          // The page's thread busy for 100 ms every second.
          await page.evaluate(() => {
            window.vsfStall = setInterval(() => {
              const end = performance.now() + 100;
              while (performance.now() < end);
            }, 1000);
          });
          const stalled = await recordWithControl(31, musicRaw);
          await page.evaluate(() => clearInterval(window.vsfStall));
          runs = [['idle', idle], ['stalled 100 ms a second', stalled]];
        } finally {
          loops.forEach(loop => loop.kill('SIGKILL'));
        }
        console.log(`worklet: ${JSON.stringify(await page.evaluate(() => VsfAudio.state()))}`);
        const judged = [];
        for (const [name, { page: heard, control: controlHeard }] of runs) {
          // The page's sound against FFmpeg's music at the context's rate; the
          // control's, which plays that very music.
          const results = [
            ['page', compareWithMusic(heard, atContext, rate,
                                      rate === musicRate ? exactTolerance : resampledTolerance)],
            ['control', compareWithMusic(controlHeard, atContext, rate, exactTolerance)],
          ];
          for (const [who, result] of results) {
            console.log(`${browserName} ${who} at ${rate} Hz, ${name}` +
                        `${loaded ? ', beside two busy loops' : ''}: ` +
                        `${result.differing} of ${result.blocks} blocks of 50 ms differ from ` +
                        `the music over ${result.seconds.toFixed(1)} s (largest difference ` +
                        `in a block that matched ${result.largest.toExponential(1)}); gaps ` +
                        `${JSON.stringify(result.gaps.map(g => +g.toFixed(1)))} ms`);
            judged.push([who, result]);
          }
        }
        if (judged.some(([who, result]) => who === 'control' && result.differing > 0)) {
          console.log('SKIP: the control lost blocks: this machine cannot judge the page now');
          skipped = true;
        } else {
          for (const [, result] of judged) {
            assert.ok(result.seconds >= 29.5, `only ${result.seconds} s recorded`);
            assert.equal(result.differing, 0, 'blocks differ from the music');
          }
        }
      } else {
        // Where the picture is on the screen (fullscreen: page pixels are the
        // screen's), and its scale.
        const box = await page.$eval('#canvas', canvas => {
          const rect = canvas.getBoundingClientRect();
          return [rect.left, rect.top, rect.width / canvas.width];
        });
        fs.writeFileSync(path.join(control, 'ready'), box.join(' ') + '\n');
        while (!fs.existsSync(path.join(control, 'measured'))) await sleep(100);
        assert.ok(await page.evaluate(() => document.body.dataset.ended === undefined),
                  'the show ended during the measurement');
      }
      await escapeEnds(page);
      console.log('one Escape ended the show in fullscreen');
      assert.deepEqual(errors, []);
      assert.equal(await page.evaluate(() => window.vsfScriptProcessors), 0);
      // ScriptProcessorNode and other deprecations are reported as warnings.
      assert.deepEqual(warnings.filter(text => /deprecat/i.test(text)), []);
      await page.close();
    }, onScreen);
  } catch (error) {
    failed = true;
    console.log(`FAILED: ${error.stack || error}`);
  } finally {
    server.close();
  }
  process.exit(failed ? 1 : skipped ? 77 : 0);
}

main().catch(error => {
  console.error(error);
  process.exit(1);
});
