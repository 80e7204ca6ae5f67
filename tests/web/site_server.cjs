// What every page test starts from: a plain static server on 127.0.0.1, with
// no cross-origin isolation headers, as any web host serves the page, and
// Debian's chromium on a fresh profile, allowed to play sound.
'use strict';
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');
const puppeteer = require('puppeteer-core');

const musicFile = 'qx-731_030321_4_tessellated.ogg';
const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.ogg': 'audio/ogg' };

// Serves the file `fileFor(path)` names for each request's path; null or a
// missing file is a 404.
function serveFiles(fileFor) {
  const server = http.createServer((request, response) => {
    const file = fileFor(decodeURIComponent(new URL(request.url, 'http://x').pathname));
    if (file === null || !fs.existsSync(file)) {
      response.writeHead(404);
      response.end();
      return;
    }
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise(resolve => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// The built site; under the path prefix `withoutMusic`, the site without its music.
function serveSite(site, { withoutMusic = null } = {}) {
  return serveFiles(requested => {
    let name = requested;
    const musicless = withoutMusic !== null && name.startsWith(withoutMusic + '/');
    if (musicless) name = name.slice(withoutMusic.length);
    if (name.endsWith('/')) name += 'index.html';
    const file = path.join(site, path.normalize(name));
    return !file.startsWith(site) || (musicless && name === '/' + musicFile) ? null : file;
  });
}

const chromiumArgs = ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
                      '--disable-component-update', '--disable-sync', '--no-first-run',
                      '--disable-quic', '--autoplay-policy=no-user-gesture-required'];

// Headless unless told otherwise; `args` come on top of the quiet defaults.
function launchChromium(profile, { headless = true, args = [], ...options } = {}) {
  return puppeteer.launch({
    executablePath: process.env.VSF_CHROMIUM || '/usr/bin/chromium',
    headless,
    userDataDir: profile,
    args: chromiumArgs.concat(args),
    ...options,
  });
}

// Runs `body(browser)` in chromium on a fresh profile; both go afterwards,
// whatever happened.
async function withChromium(body, options = {}) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vsf-chromium.'));
  const browser = await launchChromium(profile, options);
  try {
    return await body(browser);
  } finally {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

// The canvas's pixels as RGBA bytes.
function pixelsOf(page) {
  return page.evaluate(() => {
    const canvas = document.getElementById('canvas');
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    return { width: canvas.width, height: canvas.height, data: Array.from(data) };
  });
}

// Noise rows 110..370 in steps of 2, clear of the rule rows and their
// neighbours: how many pixels carry a colour that is not grey.
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

// Waits up to 15 s until `test` holds for the noise's coloured pixel count;
// answers the frame that showed it.
async function waitForColour(page, test, what) {
  let coloured = -1;
  for (let tries = 0; tries < 150; ++tries) {
    const frame = await pixelsOf(page);
    coloured = colouredNoisePixels(frame);
    if (test(coloured)) return frame;
    await new Promise(resolve => setTimeout(resolve, 100));
  }
  throw new Error(`${what}: ${coloured} coloured noise pixels`);
}

module.exports = { colouredNoisePixels, musicFile, pixelsOf, serveFiles, serveSite, waitForColour,
                   withChromium };
