// The browser show in Debian's chromium, headless, served from 127.0.0.1:
// the dialog and its defaults, Tab kept inside it, cancelling it, the show's
// rule lines and coloured noise once the music plays, the show without its
// music, Escape or leaving fullscreen ending it, the viewer's own tracks
// dropped anywhere on the page and changed mid-show, the picture at every
// device pixel ratio and the page on a phone's 360 px wide screen.
// Screenshots go to the output folder.
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
// Kicks for 2 s, then 2 s of silence, over and over.
const kicks = makeTrack('kicks.mp3',
  "aevalsrc='if(lt(mod(t,4),2),0.6*sin(2*PI*(50+100*exp(-mod(t,0.5)*20))*mod(t,0.5))" +
  "*exp(-mod(t,0.5)*8)+0.25*sin(2*PI*55*t),0)':s=44100:c=stereo:d=20",
  ['-c:a', 'libmp3lame', '-b:a', '192k']);
const notSound = path.join(tracks, 'notes.mp3');
fs.writeFileSync(notSound, 'these are words, not sound\n'.repeat(100));

// Drops the file on the element `target` names (the zone unless told) as a
// viewer's drag from the desktop does; answers whether the page took the
// drag over and the drop for itself, and whether the zone lit up meanwhile.
async function drop(page, file, target = '#own-music') {
  const bytes = fs.readFileSync(file).toString('base64');
  return page.evaluate((name, base64, selector) => {
    const raw = atob(base64);
    const data = new Uint8Array(raw.length);
    for (let i = 0; i < raw.length; ++i) data[i] = raw.charCodeAt(i);
    const transfer = new DataTransfer();
    transfer.items.add(new File([data], name));
    const on = document.querySelector(selector);
    const event = type => new DragEvent(type, { dataTransfer: transfer, bubbles: true,
                                                cancelable: true });
    on.dispatchEvent(event('dragenter'));
    const overTaken = !on.dispatchEvent(event('dragover'));
    const lit = document.getElementById('own-music').classList.contains('over');
    const dropTaken = !on.dispatchEvent(event('drop'));
    return { overTaken, dropTaken, lit };
  }, path.basename(file), bytes, target);
}

// The canvas's box and the box it is centred in, in CSS pixels.
function pictureBoxes(page) {
  return page.evaluate(() => {
    const box = element => {
      const r = document.querySelector(element).getBoundingClientRect();
      return { left: r.left, top: r.top, width: r.width, height: r.height };
    };
    return { canvas: box('#canvas'), stage: box('#stage'), zone: box('#own-music'),
             backing: [document.getElementById('canvas').width,
                       document.getElementById('canvas').height] };
  });
}

// A screenshot's RGB bytes, through ImageMagick.
function screenshotPixels(png) {
  return execFileSync('/usr/bin/convert', ['png:-', '-depth', '8', 'rgb:-'], { input: png,
                      maxBuffer: 1 << 28 });
}

function overlaps(a, b) {
  return a.left < b.left + b.width && b.left < a.left + a.width &&
         a.top < b.top + b.height && b.top < a.top + a.height;
}

function inside(a, viewport) {
  return a.left >= 0 && a.top >= 0 && a.left + a.width <= viewport.width + 0.5 &&
         a.top + a.height <= viewport.height + 0.5;
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

      await check('Tab and Shift+Tab go round the dialog and never leave it', async () => {
        const { page, errors } = await openPage(browser, base);
        const focused = () => page.evaluate(() => {
          const at = document.activeElement;
          return at && at.closest('#setup-dialog') ? at.name || at.textContent : `outside: ${at && at.id}`;
        });
        const stops = await page.$$eval('#setup-dialog [tabindex="0"]',
                                        all => all.map(at => at.name || at.textContent));
        assert.ok(stops.length >= 3, `tab stops ${stops}`);
        const walk = async key => {
          const seen = [await focused()];
          for (let i = 0; i < 2 * stops.length; ++i) {
            if (key === 'Shift+Tab') {
              await page.keyboard.down('Shift');
              await page.keyboard.press('Tab');
              await page.keyboard.up('Shift');
            } else {
              await page.keyboard.press(key);
            }
            seen.push(await focused());
          }
          return seen;
        };
        const forward = await walk('Tab');
        const start = stops.indexOf(forward[0]);
        assert.deepEqual(forward, forward.map((_, i) => stops[(start + i) % stops.length]));
        const backward = await walk('Shift+Tab');
        assert.deepEqual(backward,
                         backward.map((_, i) => stops[(start - i + 4 * stops.length) % stops.length]));
        // The file input beside the picture waits until the show runs.
        assert.equal(await page.$eval('#own-music', zone => zone.inert), true);
        await page.keyboard.press('Enter');
        await page.waitForFunction(() => !document.getElementById('setup-dialog'));
        assert.equal(await page.$eval('#own-music', zone => zone.inert), false);
        await page.keyboard.press('Escape');
        await waitForEnd(page, 0);
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
        assert.match(message, /"notes.mp3" cannot be played.*"loop.mp3" plays on/);
        await waitForColour(page, n => n >= 1000, 'after the refused file');
        assert.deepEqual(errors, []);
        await page.close();
      });

      await check('the picture fills its 4:3 box with its own pixels at every pixel ratio',
                  async () => {
        for (const ratio of [1, 1.25, 2, 3]) {
          const page = await browser.newPage();
          // Room for the picture at its own size or larger.
          await page.setViewport({ width: 1200, height: 700, deviceScaleFactor: ratio });
          await page.goto(base);
          await page.waitForSelector('#setup-dialog', { timeout: 60000 });
          await page.click('input[name=fullscreen]');
          await page.keyboard.press('Enter');
          await waitForColour(page, n => n >= 1000, `the show's music at ${ratio}`);
          // Held on its last frame (the frame loop waits for the next animation
          // frame), drawn again and shown for two frames.
          await page.evaluate(async () => {
            const nextFrame = window.requestAnimationFrame.bind(window);
            window.requestAnimationFrame = () => 0;
            await new Promise(resolve => setTimeout(resolve, 100));
            const canvas = document.getElementById('canvas');
            const context = canvas.getContext('2d');
            context.putImageData(context.getImageData(0, 0, canvas.width, canvas.height), 0, 0);
            for (let i = 0; i < 2; ++i) await new Promise(resolve => nextFrame(resolve));
          });
          const { canvas, stage, backing } = await pictureBoxes(page);
          assert.deepEqual(backing, [640, 480], `ratio ${ratio}: the canvas's own pixels`);
          assert.ok(Math.abs(canvas.width * 3 - canvas.height * 4) < 2, `ratio ${ratio}: not 4:3`);
          assert.ok(Math.abs(canvas.width - stage.width) < 1 || Math.abs(canvas.height - stage.height) < 1,
                    `ratio ${ratio}: ${JSON.stringify(canvas)} does not fill ${JSON.stringify(stage)}`);
          const frame = await pixelsOf(page);
          const png = await page.screenshot({ type: 'png' });
          if (ratio === 1 || ratio === 2) fs.writeFileSync(path.join(output, `show-ratio-${ratio}.png`), png);
          const shot = screenshotPixels(png);
          const shotWidth = Math.round(1200 * ratio);
          assert.equal(shot.length, shotWidth * Math.round(700 * ratio) * 3);
          // Each of the picture's pixels at the middle of its place on the screen:
          // the picture's own colour there, unblended (the screen may round its
          // place by a pixel, so a neighbour's colour counts too).
          let differing = 0;
          let exact = 0;
          const scale = canvas.width / 640;
          // Beyond the picture's edge lie the black bars.
          const same = (at, x, y) => [0, 1, 2].every(c => Math.abs(shot[at + c] -
            (x >= 0 && y >= 0 && x < 640 && y < 480 ? frame.data[(y * 640 + x) * 4 + c] : 0)) <= 1);
          for (let y = 0; y < 480; ++y) {
            const sy = Math.floor((canvas.top + (y + 0.5) * scale) * ratio);
            for (let x = 0; x < 640; ++x) {
              const sx = Math.floor((canvas.left + (x + 0.5) * scale) * ratio);
              const at = (sy * shotWidth + sx) * 3;
              if (same(at, x, y)) {
                ++exact;
              } else if (![[-1, 0], [1, 0], [0, -1], [0, 1], [-1, -1], [1, 1], [-1, 1], [1, -1]]
                .some(([dx, dy]) => same(at, x + dx, y + dy))) {
                if (differing < 3) console.log(`ratio ${ratio} (${x}, ${y}) at (${sx}, ${sy}): ` +
                  `${[...shot.slice(at, at + 3)]} on the screen`);
                ++differing;
              }
            }
          }
          console.log(`ratio ${ratio}: picture ${canvas.width.toFixed(1)} x ${canvas.height.toFixed(1)} ` +
                      `in ${stage.width} x ${stage.height}; ${exact} of 307200 pixels in place exactly`);
          assert.equal(differing, 0, `ratio ${ratio}: pixels differ from the picture's`);
          assert.ok(exact >= 0.9 * 307200, `ratio ${ratio}: only ${exact} pixels in place`);
          await page.close();
        }
      });

      await check('the page on a phone and at 200 % in a small window: nothing clipped or on the picture',
                  async () => {
        for (const [width, height] of [[360, 640], [400, 300]]) {
          const page = await browser.newPage();
          await page.setViewport({ width, height, deviceScaleFactor: 2 });
          await page.goto(base);
          await page.waitForSelector('#setup-dialog', { timeout: 60000 });
          const viewport = { width, height };
          const parts = await page.$$eval('#setup-dialog .window, #setup-dialog .client > *',
            all => all.map(at => {
              const r = at.getBoundingClientRect();
              return { left: r.left, top: r.top, width: r.width, height: r.height };
            }));
          parts.forEach((part, i) => assert.ok(inside(part, viewport),
            `${width} x ${height}: dialog part ${i} ${JSON.stringify(part)} is clipped`));
          const [dialogBox] = parts;
          assert.ok(Math.abs(dialogBox.left * 2 + dialogBox.width - width) < 2, 'not centred');
          await page.screenshot({ path: path.join(output, `dialog-${width}x${height}.png`) });
          await page.click('input[name=fullscreen]');
          await page.keyboard.press('Enter');
          await page.waitForFunction(() => !document.getElementById('setup-dialog'));
          const { canvas, zone } = await pictureBoxes(page);
          assert.ok(inside(canvas, viewport) && inside(zone, viewport),
                    `${width} x ${height}: ${JSON.stringify({ canvas, zone })} clipped`);
          assert.ok(!overlaps(canvas, zone), `${width} x ${height}: the zone is on the picture`);
          assert.ok(canvas.width >= width * 0.45, `${width} x ${height}: the picture is ${canvas.width} wide`);
          // The file input says what it holds, uncut.
          assert.ok(await page.$eval('#own-music-file', input => input.scrollWidth <= input.clientWidth + 1),
                    'the file input\'s text is cut');
          await page.screenshot({ path: path.join(output, `show-${width}x${height}.png`) });
          await page.close();
        }
      });

      await check('a drop anywhere plays the track, and the page stays', async () => {
        const page = await browser.newPage();
        await page.setViewport({ width: 1000, height: 600 });
        const errors = [];
        page.on('pageerror', error => errors.push(String(error)));
        await page.goto(base);
        await page.waitForSelector('#setup-dialog', { timeout: 60000 });
        await page.click('input[name=fullscreen]');
        await page.keyboard.press('Enter');
        await page.waitForFunction(() => !document.getElementById('setup-dialog'));
        for (const target of ['#canvas', '#status', 'body']) {
          const taken = await drop(page, target === '#canvas' ? loop : silence, target);
          assert.deepEqual(taken, { overTaken: true, dropTaken: true, lit: true }, target);
          await page.waitForFunction(() => /^Playing/.test(document.getElementById('own-music-status').textContent),
                                     { timeout: 30000 });
          await page.evaluate(() => { document.getElementById('own-music-status').textContent = ''; });
        }
        assert.equal(page.url(), base);
        assert.equal(await page.$eval('#own-music', zone => zone.classList.contains('over')), false);
        // A file chosen again after another was dropped plays again, and a
        // refusal names what plays on.
        for (const [file, chosen] of [[loop, true], [silence, false], [loop, true]]) {
          if (chosen) {
            const [chooser] = await Promise.all([page.waitForFileChooser(),
                                                 page.click('#own-music-file')]);
            await chooser.accept([file]);
          } else {
            await drop(page, file);
          }
          const name = path.basename(file);
          await page.waitForFunction(expected =>
            document.getElementById('own-music-status').textContent.startsWith(`Playing "${expected}"`),
          { timeout: 30000 }, name);
        }
        await drop(page, notSound);
        await page.waitForFunction(() => document.getElementById('own-music').dataset.state === 'refused',
                                   { timeout: 30000 });
        assert.match(await page.$eval('#own-music-status', s => s.textContent), /"loop.mp3" plays on/);
        assert.deepEqual(errors, []);
        await page.close();
      });

      await check('a track changed mid-show lights the band within 0.5 s of its first kick',
                  async () => {
        const page = await browser.newPage();
        await page.setViewport({ width: 1000, height: 600 });
        await page.goto(base);
        await page.waitForSelector('#setup-dialog', { timeout: 60000 });
        await page.click('input[name=fullscreen]');
        await page.keyboard.press('Enter');
        await waitForColour(page, n => n >= 1000, 'the show\'s music');
        // Well into the music, far past where the new track's kicks are; then
        // silence, which blackens the band, and the kicks.
        await new Promise(resolve => setTimeout(resolve, 8000));
        await drop(page, silence);
        await waitForColour(page, n => n === 0, 'silence dropped');
        await drop(page, kicks);
        await page.waitForFunction(() => /^Playing "kicks.mp3"/.test(document.getElementById('own-music-status').textContent),
                                   { timeout: 30000 });
        // From the new stream's first played frame, every animation frame.
        const seen = await page.evaluate(() => new Promise(resolve => {
          const canvas = document.getElementById('canvas');
          const context = canvas.getContext('2d');
          let firstPlayed = null;
          const start = performance.now();
          const look = () => {
            const now = performance.now();
            const state = VsfAudio.state();
            if (firstPlayed === null && state.played > 0) firstPlayed = now;
            let coloured = 0;
            const data = context.getImageData(0, 110, 640, 261).data;
            for (let at = 0; at < data.length; at += 4)
              if (data[at] !== data[at + 1] || data[at + 1] !== data[at + 2]) ++coloured;
            if (firstPlayed !== null && coloured >= 1000)
              resolve({ lit: now - firstPlayed, latency: state.outputLatency });
            else if (now - start > 5000) resolve({ lit: null, firstPlayed });
            else requestAnimationFrame(look);
          };
          look();
        }));
        console.log(`band lit ${JSON.stringify(seen)} ms after the new track's first frame played`);
        assert.ok(seen.lit !== null && seen.lit <= 500 + 1000 * (seen.latency || 0),
                  `the band did not light: ${JSON.stringify(seen)}`);
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
