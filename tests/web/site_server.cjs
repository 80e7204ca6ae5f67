// A plain static server for the page tests on 127.0.0.1, with no cross-origin
// isolation headers, as any web host serves the page. `withoutMusic` names a
// path prefix under which the site is served without its music.
'use strict';
const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');

const musicFile = 'qx-731_030321_4_tessellated.ogg';
const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.ogg': 'audio/ogg' };

function serveSite(site, { withoutMusic = null } = {}) {
  const server = http.createServer((request, response) => {
    let name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const musicless = withoutMusic !== null && name.startsWith(withoutMusic + '/');
    if (musicless) name = name.slice(withoutMusic.length);
    if (name.endsWith('/')) name += 'index.html';
    const file = path.join(site, path.normalize(name));
    if (!file.startsWith(site) || (musicless && name === '/' + musicFile) ||
        !fs.existsSync(file)) {
      response.writeHead(404);
      response.end();
      return;
    }
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise(resolve => server.listen(0, '127.0.0.1', () => resolve(server)));
}

module.exports = { musicFile, serveSite };
