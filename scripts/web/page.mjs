// page.mjs - drives kolvane's web build in headless Chromium (Debian's
// /usr/bin/chromium through puppeteer-core): serves build-web/ on 127.0.0.1,
// opens the page with the given URL parameters and reports what it did.
//
//   node page.mjs shot 'PARAMS' OUT.png [TIMEOUT_S]
//       waits for the title "kolvane: done" and writes the canvas to OUT.png
//   node page.mjs clock 'PARAMS' SECONDS
//       clicks the page to start it and prints the demo clock (ms) read from
//       the information overlay's source, once a second
//   node page.mjs rate 'PARAMS' SECONDS
//       a live page: prints the frames drawn per second after a warm-up
//
// Exits non-zero, printing them, when the page logs console errors or a
// shader that does not build, throws, or ends with a status other than 0.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import os from 'node:os';
import { fileURLToPath } from 'node:url';
import { createRequire } from 'node:module';

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, '../../build-web');
const require = createRequire(path.join(root, 'node/package.json'));
const puppeteer = require('puppeteer-core');

const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.data': 'application/octet-stream' };

function serve() {
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    const file = path.join(root, name === '/' ? 'index.html' : name);
    if (!file.startsWith(root) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404);
      res.end();
      return;
    }
    res.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

export async function openPage(params, size) {
  const server = await serve();
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kolvane-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: 'new',
    userDataDir: profile,
    args: ['--no-sandbox', ...(process.env.DISPLAY ? ['--use-gl=angle', '--use-angle=gl'] : ['--use-angle=swiftshader', '--enable-unsafe-swiftshader']),
           '--ignore-gpu-blocklist', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--disable-background-timer-throttling', '--disable-renderer-backgrounding',
           '--autoplay-policy=no-user-gesture-required',
           `--window-size=${size[0]},${size[1]}`],
  });
  const page = await browser.newPage();
  await page.setViewport({ width: size[0], height: size[1] });
  const errors = [];
  page.on('console', (m) => {
    // a shader the web layer cannot build is only a "[/] " line in the
    // demo's log, but a fault of the port all the same
    if (m.type() === 'error' || /(shader failed to compile|failed to link)/.test(m.text()))
      errors.push(m.text());
    if (process.env.KOLVANE_WEB_LOG)
      process.stderr.write(`[page] ${m.text()}\n`);
  });
  page.on('pageerror', (e) => errors.push(process.env.KOLVANE_WEB_LOG ? String(e.stack || e) : String(e)));
  if (process.env.KOLVANE_WEB_LOG) {
    const renderer = await page.evaluate(() => {
      const gl = document.createElement('canvas').getContext('webgl2');
      const info = gl && gl.getExtension('WEBGL_debug_renderer_info');
      return gl ? (info ? gl.getParameter(info.UNMASKED_RENDERER_WEBGL) : gl.getParameter(gl.RENDERER)) : 'no WebGL 2';
    });
    process.stderr.write(`[page] WebGL 2 renderer: ${renderer}\n`);
  }
  const port = server.address().port;
  await page.goto(`http://127.0.0.1:${port}/index.html?${params}`);
  const close = async () => {
    await browser.close();
    server.close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return { page, errors, close };
}

async function waitTitle(page, seconds) {
  const end = Date.now() + seconds * 1000;
  for (;;) {
    const title = await page.title();
    if (title.startsWith('kolvane: '))
      return title;
    if (Date.now() > end)
      return 'timed out';
    await new Promise((r) => setTimeout(r, 250));
  }
}

function fail(errors, why) {
  console.error(`web page failed: ${why}`);
  for (const e of errors)
    console.error(`  console: ${e}`);
  process.exit(1);
}

async function shot(params, out, timeout) {
  const { page, errors, close } = await openPage(params, [1280, 720]);
  const title = await waitTitle(page, timeout);
  if (title !== 'kolvane: done') {
    await close();
    fail(errors, title);
  }
  const url = await page.evaluate(() => document.getElementById('canvas').toDataURL('image/png'));
  fs.writeFileSync(out, Buffer.from(url.split(',')[1], 'base64'));
  await close();
  if (errors.length)
    fail(errors, 'console errors');
}

async function clock(params, seconds) {
  const { page, errors, close } = await openPage(params, [640, 360]);
  await page.waitForSelector('#start', { visible: true, timeout: 120000 });
  await page.mouse.click(320, 180);
  const readings = [];
  for (let i = 0; i < seconds; i++) {
    await new Promise((r) => setTimeout(r, 1000));
    readings.push(await page.evaluate(() => Module._web_demoTime ? Module._web_demoTime() : -1));
  }
  const state = await page.evaluate(() => Module.kolvaneAudio ? Module.kolvaneAudio.state : 'none');
  console.log(`audio ${state} clock ${readings.join(' ')}`);
  await close();
  if (errors.length)
    fail(errors, 'console errors');
}

async function rate(params, seconds) {
  const { page, errors, close } = await openPage(params, [1280, 720]);
  await page.waitForFunction(() => Module._web_demoTime && Module._web_demoTime() > 0, { timeout: 120000 });
  const before = await page.evaluate(() => [Module._webglut_frameCount(), performance.now()]);
  await new Promise((r) => setTimeout(r, seconds * 1000));
  const after = await page.evaluate(() => [Module._webglut_frameCount(), performance.now()]);
  const fps = (after[0] - before[0]) / ((after[1] - before[1]) / 1000);
  console.log(`${fps.toFixed(1)} frames a second over ${seconds} s`);
  await close();
  if (errors.length)
    fail(errors, 'console errors');
}

const [mode, params, arg, extra] = process.argv.slice(2);
if (mode === 'shot')
  await shot(params, arg, Number(extra || 600));
else if (mode === 'clock')
  await clock(params, Number(arg || 5));
else if (mode === 'rate')
  await rate(params, Number(arg || 10));
else {
  console.error('usage: page.mjs shot|clock|rate PARAMS ...');
  process.exit(2);
}
