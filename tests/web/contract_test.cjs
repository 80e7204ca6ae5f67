// A contract suite built for the page, run in Debian's chromium, headless:
// the page's own index.html loads the suite in place of the show, so the
// suite's back ends meet the page's own scripts (page.js, audio.js, linked
// in). GoogleTest's output is printed as it comes; the exit code is the
// suite's result.
// Usage: node contract_test.cjs SUITE_JS INDEX_HTML
'use strict';
const fs = require('node:fs');
const path = require('node:path');

const [suiteJs, indexHtml] = process.argv.slice(2);
if (!suiteJs || !indexHtml) {
  console.error('usage: node contract_test.cjs SUITE_JS INDEX_HTML');
  process.exit(2);
}
for (const file of [suiteJs, indexHtml]) {
  if (!fs.existsSync(file)) {
    console.error(`${file} is missing`);
    process.exit(1);
  }
}
const folder = path.dirname(path.resolve(suiteJs));
const { serveFiles, withChromium } = require('./site_server.cjs');

// The page under its own name, with the suite standing as the program; the
// suite's other files from its build folder.
function serve() {
  return serveFiles(name => {
    if (name === '/') return path.resolve(indexHtml);
    if (name === '/velvetstaticfog.js') return path.resolve(suiteJs);
    return /^\/[\w.-]+$/.test(name) ? path.join(folder, name.slice(1)) : null;
  });
}

async function main() {
  const server = await serve();
  let result = 1;
  try {
    await withChromium(async browser => {
      const page = await browser.newPage();
      await page.setViewport({ width: 800, height: 600 });
      // An abort or an uncaught exception ends the wait: the suite will not finish.
      let crashed = null;
      let crash;
      const crashing = new Promise(resolve => { crash = resolve; });
      // Each argument as the console shows it: an error with its message.
      page.on('console', message => console.log(message.args().map(arg => {
        const shown = arg.remoteObject();
        return shown.value !== undefined ? String(shown.value) : shown.description || shown.type;
      }).join(' ') || message.text()));
      page.on('pageerror', error => {
        crashed = String(error);
        console.log(`page error: ${crashed}`);
        crash();
      });
      await page.goto(`http://127.0.0.1:${server.address().port}/`);
      await Promise.race([
        page.waitForFunction(() => globalThis.vsfContractResult !== undefined,
                             { timeout: 240000, polling: 100 }),
        crashing]);
      const reported = crashed === null ?
        await page.evaluate(() => globalThis.vsfContractResult) : undefined;
      if (Number.isInteger(reported)) result = reported;
      else console.log('the suite did not finish');
    });
  } finally {
    server.close();
  }
  process.exit(result);
}

main().catch(error => {
  console.error(error);
  process.exit(1);
});
