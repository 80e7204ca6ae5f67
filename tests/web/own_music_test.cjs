// The viewer's own music on the page, in Debian's chromium, headless: tracks
// made here with FFmpeg, dropped beside the picture while the show runs.
// Silence turns the band black, a kick-and-bass loop colours it again, and a
// file that is no sound gets a message while the music plays on.
// Usage: node own_music_test.cjs SITE_FOLDER OUTPUT_FOLDER
'use strict';
const assert = require('node:assert/strict');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const [site, output] = process.argv.slice(2);
if (!site || !output) {
  console.error('usage: node own_music_test.cjs SITE_FOLDER OUTPUT_FOLDER');
  process.exit(2);
}
fs.mkdirSync(output, { recursive: true });
const { launchChromium, serveSite } = require('./site_server.cjs');

const tracks = fs.mkdtempSync(path.join(os.tmpdir(), 'vsf-own-music.'));
function makeTrack(name, source, options) {
  execFileSync('ffmpeg', ['-nostdin', '-v', 'error', '-y', '-f', 'lavfi', '-i', source,
                          ...options, path.join(tracks, name)]);
  return path.join(tracks, name);
}
const loop = makeTrack('loop.mp3',
  "aevalsrc='0.6*sin(2*PI*(50+100*exp(-mod(t,0.5)*20))*mod(t,0.5))*exp(-mod(t,0.5)*8)" +
  "+0.25*sin(2*PI*55*t)':s=48000:d=4", ['-ac', '2', '-c:a', 'libmp3lame', '-b:a', '192k']);
const silence = makeTrack('silence.flac', 'anullsrc=r=44100:cl=stereo', ['-t', '3']);
const notSound = path.join(tracks, 'notes.mp3');
fs.writeFileSync(notSound, 'these are words, not sound\n'.repeat(100));

// Noise rows 110..370: pixels whose colour is not grey.
function colouredNoisePixels(frame) {
  let coloured = 0;
  for (let row = 110; row <= 370; row += 2) {
    for (let x = 0; x < frame.width; ++x) {
      const at = (row * frame.width + x) * 4;
      if (frame.data[at] !== frame.data[at + 1] || frame.data[at + 1] !== frame.data[at + 2])
        ++coloured;
    }
  }
  return coloured;
}

function pixelsOf(page) {
  return page.evaluate(() => {
    const canvas = document.getElementById('canvas');
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    return { width: canvas.width, height: canvas.height, data: Array.from(data) };
  });
}

// Waits until `test` holds for the noise's coloured pixel count, up to 15 s.
async function waitForColour(page, test, what) {
  let coloured = -1;
  for (let tries = 0; tries < 150; ++tries) {
    coloured = colouredNoisePixels(await pixelsOf(page));
    if (test(coloured)) return coloured;
    await new Promise(resolve => setTimeout(resolve, 100));
  }
  assert.fail(`${what}: ${coloured} coloured noise pixels`);
}

// Drops the file on the zone as a viewer's drag from the desktop does.
async function drop(page, file) {
  const bytes = fs.readFileSync(file).toString('base64');
  await page.evaluate((name, base64) => {
    const raw = atob(base64);
    const data = new Uint8Array(raw.length);
    for (let i = 0; i < raw.length; ++i) data[i] = raw.charCodeAt(i);
    const transfer = new DataTransfer();
    transfer.items.add(new File([data], name));
    const zone = document.getElementById('own-music');
    zone.dispatchEvent(new DragEvent('dragover', { dataTransfer: transfer, bubbles: true }));
    zone.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true }));
  }, path.basename(file), bytes);
}

async function main() {
  const server = await serveSite(site);
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vsf-chromium.'));
  const browser = await launchChromium(profile);
  let failed = false;
  try {
    const page = await browser.newPage();
    await page.setViewport({ width: 1000, height: 600 });
    const errors = [];
    page.on('pageerror', error => errors.push(String(error)));
    await page.goto(`http://127.0.0.1:${server.address().port}/`);
    await page.waitForSelector('#setup-dialog', { timeout: 60000 });
    // The zone stands beside the picture, outside the dialog.
    assert.equal(await page.$('#setup-dialog #own-music'), null);
    // Windowed, so that the zone stays in sight beside the picture.
    await page.click('input[name=fullscreen]');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => !document.getElementById('setup-dialog'));
    assert.equal(await page.evaluate(() => document.fullscreenElement), null);
    assert.equal(await page.evaluate(() => document.elementFromPoint(40, 40).closest('#own-music') !== null),
                 true);
    await waitForColour(page, n => n >= 1000, 'the show\'s music');

    await drop(page, silence);
    await page.waitForFunction(() => document.getElementById('own-music').dataset.state === 'playing',
                               { timeout: 30000 });
    await waitForColour(page, n => n === 0, 'silence dropped');

    await drop(page, loop);
    await page.waitForFunction(
      () => /Playing "loop.mp3"/.test(document.getElementById('own-music-status').textContent),
      { timeout: 30000 });
    await waitForColour(page, n => n >= 1000, 'the loop dropped');
    const played = await page.evaluate(() => VsfAudio.state().played);
    await new Promise(resolve => setTimeout(resolve, 500));
    assert.ok(await page.evaluate(() => VsfAudio.state().played) > played, 'no sound played');
    await page.screenshot({ path: path.join(output, 'own-music.png') });

    await drop(page, notSound);
    await page.waitForFunction(() => document.getElementById('own-music').dataset.state === 'refused',
                               { timeout: 30000 });
    const message = await page.$eval('#own-music-status', s => s.textContent);
    assert.match(message, /"notes.mp3" cannot be played.*own music plays on/);
    await waitForColour(page, n => n >= 1000, 'after the refused file');
    assert.deepEqual(errors, []);
    console.log('ok: dropped tracks play, silence blackens, a file that is no sound is refused');
  } catch (error) {
    failed = true;
    console.log(`FAILED: ${error.stack || error}`);
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(profile, { recursive: true, force: true });
    fs.rmSync(tracks, { recursive: true, force: true });
  }
  process.exit(failed ? 1 : 0);
}

main();
