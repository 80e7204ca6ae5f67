// What every page test starts from: a plain static server on 127.0.0.1, with
// no cross-origin isolation headers, as any web host serves the page, and
// Debian's chromium on a fresh profile, allowed to play sound.
'use strict';
const fs = require('node:fs');
const http = require('node:http');
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

module.exports = { launchChromium, musicFile, serveFiles, serveSite };
