// The browser show in Debian's chromium, headless, served from 127.0.0.1:
// the dialog and its defaults, cancelling it, the show's rule lines and
// coloured noise once the music plays, the show without its music, and
// Escape or leaving fullscreen ending it. Screenshots go to the output folder.
// Usage: node page_test.cjs SITE_FOLDER OUTPUT_FOLDER
'use strict';
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const [site, output] = process.argv.slice(2);
if (!site || !output) {
  console.error('usage: node page_test.cjs SITE_FOLDER OUTPUT_FOLDER');
  process.exit(2);
}
fs.mkdirSync(output, { recursive: true });
const { launchChromium, musicFile, serveSite } = require('./site_server.cjs');

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

function pixelsOf(page) {
  return page.evaluate(() => {
    const canvas = document.getElementById('canvas');
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    return { width: canvas.width, height: canvas.height, data: Array.from(data) };
  });
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

// Noise rows 102..378 in steps of 2 (but the rule rows' neighbours): how
// many pixels carry a colour that is not grey.
function colouredNoisePixels(frame) {
  let coloured = 0;
  for (let row = 110; row <= 370; row += 2) {
    for (let x = 0; x < frame.width; ++x) {
      const at = (row * frame.width + x) * 4;
      const [r, g, b] = frame.data.slice(at, at + 3);
      if (r !== g || g !== b) ++coloured;
    }
  }
  return coloured;
}

async function waitForEnd(page, code) {
  await page.waitForFunction(expected => document.body.dataset.ended === expected,
                             { timeout: 30000 }, String(code));
}

async function main() {
  const server = await serveSite(site, { withoutMusic: '/nomusic' });
  const base = `http://127.0.0.1:${server.address().port}/`;
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vsf-chromium.'));
  const browser = await launchChromium(profile);
  try {
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
      let frame;
      let coloured = 0;
      for (let tries = 0; tries < 100 && coloured < 1000; ++tries) {
        await new Promise(resolve => setTimeout(resolve, 100));
        frame = await pixelsOf(page);
        coloured = colouredNoisePixels(frame);
      }
      assert.ok(coloured >= 1000, `only ${coloured} coloured noise pixels`);
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
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(profile, { recursive: true, force: true });
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
