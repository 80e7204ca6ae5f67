// The page as a viewer's machine runs it: Debian's chromium with a window on
// an X display (viewer_test.sh starts Xvfb and a private PulseAudio server),
// the show started fullscreen from its dialog, keys sent as real X key presses.
//   sound: the sink's sound over 30 s equals the decoded music block by block,
//          idle and with the page's thread stalled 100 ms every second.
//   sync:  the show runs until viewer_test.sh has measured it (the control
//          folder's "measured" file), its context at the server's rate.
// Each ends the show with one Escape, which must end it in fullscreen.
// Usage: node viewer_test.cjs MODE SITE_FOLDER OUTPUT_FOLDER CONTROL_FOLDER RATE
'use strict';
const assert = require('node:assert/strict');
const { execFileSync, spawn } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const [mode, site, output, control, rateText] = process.argv.slice(2);
if (!['sound', 'sync'].includes(mode) || !site || !output || !control || !rateText) {
  console.error('usage: node viewer_test.cjs sound|sync SITE OUTPUT CONTROL RATE');
  process.exit(2);
}
const rate = Number(rateText);
fs.mkdirSync(output, { recursive: true });
const { musicFile, serveSite, withChromium } = require('./site_server.cjs');

const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

// A real key press on the X display, as a keyboard would send it.
function xKey(key) {
  execFileSync('xdotool', ['key', key]);
}

// The sink's monitor, 32-bit float stereo at the sink's rate, for `seconds`.
function record(seconds) {
  const file = path.join(os.tmpdir(), `vsf-sound-${process.pid}.raw`);
  const recorder = spawn('parecord', ['--raw', '--device=vsf_sync.monitor',
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

// The music as the page's decoder makes it: libvorbis, at the context's rate.
function decodedMusic() {
  const bytes = execFileSync('ffmpeg', ['-nostdin', '-hide_banner', '-loglevel', 'error',
    '-c:a', 'libvorbis', '-i', path.join(site, musicFile), '-ac', '2', '-ar', String(rate),
    '-f', 'f32le', '-'], { maxBuffer: 1 << 30 });
  return new Float32Array(bytes.buffer, bytes.byteOffset, bytes.length / 4);
}

// Far below anything audible, far above the rounding of the two decoders'
// builds and the server's sample format.
const tolerance = 1e-3;
const blockSeconds = 0.05;

// Where `at` (a stereo frame of the recording) is in the music: the music's
// frame whose next `length` frames match it, or -1.
function findInMusic(recording, at, music, length) {
  const frames = music.length / 2;
  for (let start = 0; start + length <= frames; ++start) {
    let i = 0;
    while (i < 2 * length && Math.abs(music[2 * start + i] - recording[2 * at + i]) <= tolerance) ++i;
    if (i === 2 * length) return start;
  }
  return -1;
}

// The recording's 50 ms blocks from a second after its first sound on (the
// recorder's first moments are its own), each compared with the
// music where the first block was found; a block that differs is looked up
// again, and how far the music moved is a gap (or a repeat) heard there.
function compareWithMusic(recording, music) {
  const frames = recording.length / 2;
  let first = 0;
  while (first < frames && Math.abs(recording[2 * first]) < 0.01) ++first;
  first += rate;
  const block = Math.round(blockSeconds * rate);
  let offset = findInMusic(recording, first, music, block) - first;
  assert.ok(offset + first >= 0, 'the recording does not start with the music');
  let blocks = 0;
  let differing = 0;
  const gaps = [];
  for (let at = first; at + block <= frames; at += block) {
    ++blocks;
    let same = at + offset + block <= music.length / 2;
    for (let i = 0; same && i < 2 * block; ++i)
      same = Math.abs(recording[2 * at + i] - music[2 * (at + offset) + i]) <= tolerance;
    if (same) continue;
    ++differing;
    const found = findInMusic(recording, at + block, music, block);
    if (found >= 0 && found - at - block !== offset) {
      gaps.push((at + offset + block - found) / rate * 1000);
      offset = found - at - block;
    }
  }
  return { blocks, differing, gaps, seconds: (frames - first) / rate };
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
  // No automation bar across the top, and sound.
  ignoreDefaultArgs: ['--enable-automation', '--mute-audio'],
  args: ['--window-position=0,0', '--window-size=1024,768',
         '--disable-background-timer-throttling', '--disable-renderer-backgrounding'],
};

async function main() {
  const server = await serveSite(site);
  const base = `http://127.0.0.1:${server.address().port}/`;
  let failed = false;
  try {
    await withChromium(async browser => {
      const { page, errors, warnings } = await startShow(browser, base);
      if (mode === 'sound') {
        const music = decodedMusic();
        await sleep(1000);
        const idle = compareWithMusic(await record(31), music);
        // The page's thread busy for 100 ms every second.
        await page.evaluate(() => {
          window.vsfStall = setInterval(() => {
            const end = performance.now() + 100;
            while (performance.now() < end);
          }, 1000);
        });
        const stalled = compareWithMusic(await record(31), music);
        await page.evaluate(() => clearInterval(window.vsfStall));
        console.log(`worklet: ${JSON.stringify(await page.evaluate(() => VsfAudio.state()))}`);
        for (const [name, result] of [['idle', idle], ['stalled 100 ms a second', stalled]]) {
          console.log(`sound ${name}: ${result.differing} of ${result.blocks} blocks of 50 ms ` +
                      `differ from the music over ${result.seconds.toFixed(1)} s; gaps ` +
                      `${JSON.stringify(result.gaps.map(g => +g.toFixed(1)))} ms`);
        }
        for (const result of [idle, stalled]) {
          assert.ok(result.seconds >= 29.5, `only ${result.seconds} s recorded`);
          assert.equal(result.differing, 0, 'blocks differ from the music');
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
  process.exit(failed ? 1 : 0);
}

main().catch(error => {
  console.error(error);
  process.exit(1);
});
