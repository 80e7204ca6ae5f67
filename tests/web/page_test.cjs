// The browser show in Debian's chromium, headless, served from 127.0.0.1:
// the dialog and its defaults, cancelling it, the show's rule lines and
// coloured noise once the music plays, the show without its music, Escape
// or leaving fullscreen ending it, and the viewer's own tracks dropped beside
// the picture. Screenshots go to the output folder.
// Usage: node page_test.cjs SITE_FOLDER OUTPUT_FOLDER
'use strict';
const assert = require('node:assert/strict');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const [site, output] = process.argv.slice(2);
if (!site || !output) {
  console.error('usage: node page_test.cjs SITE_FOLDER OUTPUT_FOLDER');
  process.exit(2);
}
fs.mkdirSync(output, { recursive: true });
const { colouredNoisePixels, musicFile, pixelsOf, serveSite, waitForColour, withChromium } =
  require('./site_server.cjs');

const results = [];
async function check(name, body) {
  try {
    await body();
    results.push([name, true]);
    console.log(`ok: ${name}`);
  } catch (error) {
    results.push([name, false]);
    console.log(`FAILED: ${name}\n${error.stack || error}`);
  }
}

// A fresh page that records console errors and uncaught exceptions.
async function openPage(browser, url) {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  const errors = [];
  page.on('console', message => {
    if (message.type() === 'error') errors.push(message.text());
  });
  page.on('pageerror', error => errors.push(String(error)));
  await page.goto(url);
  await page.waitForSelector('#setup-dialog', { timeout: 60000 });
  return { page, errors };
}

async function screenshot(page, name) {
  await page.screenshot({ path: path.join(output, name) });
}

// Grey levels of a rule row, dash by dash (16 pixels each, all the same).
function ruleDashes(frame, row) {
  const levels = [];
  for (let x = 0; x < frame.width; x += 16) {
    const dash = new Set();
    for (let i = x; i < x + 16; ++i) {
      const at = (row * frame.width + i) * 4;
      const [r, g, b] = frame.data.slice(at, at + 3);
      assert.ok(r === g && g === b, `row ${row} pixel ${i} is not grey: ${r},${g},${b}`);
      dash.add(r);
    }
    assert.equal(dash.size, 1, `row ${row} dash at ${x} is not one grey`);
    levels.push([...dash][0]);
  }
  return levels;
}

function checkRuleRows(frame) {
  // Lower lines: noise entries 0 and 16, greys 2 and 11; upper lines the same
  // or entries 1 and 17, greys 6 and 13, with the frame's picture.
  for (const row of [373, 375, 377, 379]) {
    const levels = ruleDashes(frame, row);
    assert.deepEqual(new Set(levels), new Set([2, 11]), `lower rule row ${row}: ${levels}`);
    levels.forEach((level, i) => i > 0 && assert.notEqual(level, levels[i - 1]));
  }
  for (const row of [101, 103, 105, 107]) {
    const levels = new Set(ruleDashes(frame, row));
    assert.ok([[2, 11], [6, 13]].some(pair => pair.every(l => levels.has(l)) && levels.size === 2),
              `upper rule row ${row}: ${[...levels]}`);
  }
  // Rows the show never draws stay black.
  for (const row of [0, 100, 380, 479]) {
    const start = row * frame.width * 4;
    const line = frame.data.slice(start, start + frame.width * 4);
    assert.ok(line.every((v, i) => i % 4 === 3 || v === 0), `row ${row} is not black`);
  }
}

// The viewer's own tracks, made here with FFmpeg.
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

async function waitForEnd(page, code) {
  await page.waitForFunction(expected => document.body.dataset.ended === expected,
                             { timeout: 30000 }, String(code));
}

async function main() {
  const server = await serveSite(site, { withoutMusic: '/nomusic' });
  const base = `http://127.0.0.1:${server.address().port}/`;
  try {
    await withChromium(async browser => {
      await check('the dialog shows the defaults, Escape ends without a show', async () => {
        const { page, errors } = await openPage(browser, base);
        const boxes = await page.$$eval('#setup-dialog input[type=checkbox]', inputs =>
          inputs.map(box => ({ name: box.name, checked: box.checked,
                               x: box.getBoundingClientRect().x })));
        const leftToRight = [...boxes].sort((a, b) => a.x - b.x).map(box => box.name);
        assert.deepEqual(leftToRight, ['fullscreen', 'loop', 'sound']);
        assert.deepEqual(Object.fromEntries(boxes.map(box => [box.name, box.checked])),
                         { fullscreen: true, loop: false, sound: true });
        const caption = await page.$eval('#setup-dialog .caption', c => c.textContent);
        assert.equal(caption, '_'.repeat(21));
        assert.equal(await page.$eval('#setup-dialog button', b => b.textContent), 'OK');
        await screenshot(page, 'dialog.png');
        // Tab walks the boxes in template order; Space toggles the focused one.
        const focused = () => page.evaluate(() => document.activeElement.name);
        assert.equal(await focused(), 'sound');
        // Its focus rectangle shows before any key, and its caption is whole.
        const label = await page.$eval('input[name=sound]', box => {
          const text = box.parentElement.querySelector('span');
          const range = document.createRange();
          range.selectNodeContents(text);
          const words = range.getBoundingClientRect();
          return { outline: getComputedStyle(text).outlineStyle,
                   clear: words.right <= box.getBoundingClientRect().left };
        });
        assert.deepEqual(label, { outline: 'dotted', clear: true });
        await page.keyboard.press('Tab');
        assert.equal(await focused(), 'fullscreen');
        await page.keyboard.press('Tab');
        await page.keyboard.press('Space');
        assert.equal(await page.$eval('input[name=loop]', box => box.checked), true);
        await page.keyboard.press('Escape');
        await waitForEnd(page, 1);
        assert.equal(await page.$('#setup-dialog'), null);
        assert.match(await page.$eval('#status', s => s.textContent), /cancelled/);
        const frame = await pixelsOf(page);
        assert.ok(frame.data.every((v, i) => i % 4 === 3 || v === 0), 'a show was drawn');
        assert.deepEqual(errors, []);
        await page.close();
      });

      await check('Return starts the show: rule rows, coloured noise, Escape ends it', async () => {
        const { page, errors } = await openPage(browser, base);
        await page.keyboard.press('Enter');
        await page.waitForFunction(() => !document.getElementById('setup-dialog'));
        const frame = await waitForColour(page, n => n >= 1000, 'the show\'s music');
        checkRuleRows(frame);
        await screenshot(page, 'show.png');
        const composition = await page.evaluate(() => Module._vsfCompositionMilliseconds(200));
        console.log(`composition in the page: ${composition.toFixed(3)} ms per frame`);
        fs.writeFileSync(path.join(output, 'composition-ms.txt'), `${composition}\n`);
        assert.equal(await page.$('.message-box'), null);
        await page.keyboard.press('Escape');
        await waitForEnd(page, 0);
        assert.match(await page.$eval('#status', s => s.textContent), /ended/);
        await screenshot(page, 'ended.png');
        assert.deepEqual(errors, []);
        await page.close();
      });

      await check('leaving fullscreen ends the show as Escape does', async () => {
        const { page, errors } = await openPage(browser, base);
        await page.keyboard.press('Enter');
        await page.waitForFunction(() => document.fullscreenElement !== null, { timeout: 10000 });
        await new Promise(resolve => setTimeout(resolve, 500));
        await page.evaluate(() => document.exitFullscreen());
        await waitForEnd(page, 0);
        assert.deepEqual(errors, []);
        await page.close();
      });

      await check('without the music the show runs silent, with no error box', async () => {
        const { page, errors } = await openPage(browser, base + 'nomusic/');
        await page.keyboard.press('Enter');
        await page.waitForFunction(() => !document.getElementById('setup-dialog'));
        await new Promise(resolve => setTimeout(resolve, 2000));
        const frame = await pixelsOf(page);
        checkRuleRows(frame);
        assert.equal(colouredNoisePixels(frame), 0);
        assert.equal(await page.$('.message-box'), null);
        await screenshot(page, 'show-without-music.png');
        await page.keyboard.press('Escape');
        await waitForEnd(page, 0);
        // The browser reports the missing file itself; nothing else may fail.
        assert.deepEqual(errors.filter(text => !/404/.test(text)), []);
        await page.close();
      });

      await check('dropped tracks play, silence blackens, a file that is no sound is refused',
                  async () => {
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
        await page.close();
      });
    });
  } finally {
    server.close();
    fs.rmSync(tracks, { recursive: true, force: true });
  }
  const failed = results.filter(([, passed]) => !passed).length;
  console.log(`${results.length - failed} passed, ${failed} failed`);
  console.log(`screenshots in ${output}`);
  process.exit(failed === 0 ? 0 : 1);
}

main().catch(error => {
  console.error(error);
  process.exit(1);
});
