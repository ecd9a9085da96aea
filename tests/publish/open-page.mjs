#!/usr/bin/env node
// Opens an HTML page in Debian's Chromium, with Ruffle's web build (from tools/npm) standing in
// for the browser plug-in, and reports what the movies on the page trace.
//
//   node open-page.mjs FOLDER PAGE EXPECTED_TRACES TIME_LIMIT_MS RESULTS.json
//
// The folder is served over loopback as it stands (the page and the movie beside it); the player
// is added to the page after it has loaded, the way a browser extension adds it, and takes over
// its OBJECT and EMBED elements. The driver waits until the movies have traced EXPECTED_TRACES
// lines or the time limit has passed, then writes {"trace": [...], "players": N, "movie": URL,
// "size": [W, H], "errors": [...]} where players counts the elements the player took over, movie
// is the address the first of them loaded and size is that element's size on the page in CSS
// pixels, rounded.
import http from 'node:http';
import fs from 'node:fs';
import fsp from 'node:fs/promises';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { createRequire } from 'node:module';

const here = path.dirname(fileURLToPath(import.meta.url));
const npmDir = process.env.PLENWICK_NPM_DIR || path.resolve(here, '../../tools/npm');
const require = createRequire(path.join(npmDir, 'package.json'));

function fail(message) {
  process.stderr.write(`open-page: ${message}\n`);
  process.exit(2);
}

const contentTypes = {
  '.html': 'text/html',
  '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.swf': 'application/x-shockwave-flash',
};

function startServer(ruffleDir, siteDir) {
  const server = http.createServer(async (req, res) => {
    const send = (status, type, body) => {
      res.writeHead(status, { 'Content-Type': type, 'Cache-Control': 'no-store' });
      res.end(body);
    };
    let urlPath;
    try {
      urlPath = decodeURIComponent(new URL(req.url, 'http://localhost').pathname);
    } catch {
      return send(400, 'text/plain', 'bad request');
    }
    let base, rest;
    if (urlPath.startsWith('/ruffle/')) {
      base = ruffleDir;
      rest = urlPath.slice('/ruffle/'.length);
    } else if (urlPath.startsWith('/site/')) {
      base = siteDir;
      rest = urlPath.slice('/site/'.length);
    } else {
      return send(404, 'text/plain', 'not found');
    }
    const file = path.resolve(base, rest);
    const rel = path.relative(base, file);
    if (rel.startsWith('..') || path.isAbsolute(rel)) return send(404, 'text/plain', 'not found');
    try {
      const st = await fsp.stat(file);
      if (!st.isFile()) return send(404, 'text/plain', 'not found');
      send(200, contentTypes[path.extname(file).toLowerCase()] || 'application/octet-stream', await fsp.readFile(file));
    } catch {
      send(404, 'text/plain', 'not found');
    }
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => resolve(server));
  });
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

async function main() {
  const [siteArg, pageName, expectedArg, limitArg, resultsFile] = process.argv.slice(2);
  if (!resultsFile) fail('usage: open-page.mjs FOLDER PAGE EXPECTED_TRACES TIME_LIMIT_MS RESULTS.json');
  const siteDir = path.resolve(siteArg);
  const expected = Number(expectedArg);
  const limitMs = Number(limitArg);
  if (!Number.isInteger(expected) || expected < 0) fail('EXPECTED_TRACES must be a whole number');
  if (!Number.isFinite(limitMs) || limitMs <= 0) fail('TIME_LIMIT_MS must be positive');
  let chromium;
  try {
    ({ chromium } = require('playwright-core'));
  } catch (e) {
    fail(`playwright-core is not installed in ${npmDir}: ${e.message}`);
  }
  let ruffleDir;
  try {
    ruffleDir = path.dirname(require.resolve('@ruffle-rs/ruffle/package.json'));
  } catch (e) {
    fail(`@ruffle-rs/ruffle is not installed in ${npmDir}: ${e.message}`);
  }
  const browserPath = process.env.PLENWICK_CHROMIUM || '/usr/bin/chromium';
  if (!fs.existsSync(browserPath)) fail(`no browser at ${browserPath}`);

  const server = await startServer(ruffleDir, siteDir);
  const baseUrl = `http://127.0.0.1:${server.address().port}`;
  const result = { trace: [], players: 0, movie: null, size: null, errors: [] };
  let browser;
  try {
    browser = await chromium.launch({ executablePath: browserPath, headless: true, args: ['--no-sandbox', '--mute-audio'] });
    const context = await browser.newContext({ viewport: { width: 800, height: 600 } });
    // The player's settings. At the level 'info' it logs every trace line to the console.
    await context.addInitScript(() => {
      window.RufflePlayer = window.RufflePlayer || {};
      window.RufflePlayer.config = {
        publicPath: '/ruffle/',
        polyfills: true,
        autoplay: 'on',
        unmuteOverlay: 'hidden',
        splashScreen: false,
        warnOnUnsupportedContent: false,
        openUrlMode: 'deny',
        logLevel: 'info',
        preferredRenderer: 'canvas',
      };
    });
    const page = await context.newPage();
    // A trace line comes as the format "%cINFO%c <source of the trace logger>%c <line>" with the
    // styles after it.
    page.on('console', async (m) => {
      try {
        const format = m.args().length > 0 ? String(await m.args()[0].jsonValue()) : '';
        if (/^%cINFO%c \S*log_adapter\.rs:\d+%c /.test(format)) result.trace.push(format.replace(/^%cINFO%c \S+%c /, ''));
      } catch {}
    });
    page.on('pageerror', (e) => result.errors.push(String(e && e.message ? e.message : e)));
    await page.goto(`${baseUrl}/site/${encodeURIComponent(pageName)}`);
    await page.addScriptTag({ url: '/ruffle/ruffle.js' });
    const deadline = Date.now() + limitMs;
    for (;;) {
      const state = await page.evaluate(() => {
        const players = [...document.querySelectorAll('ruffle-object, ruffle-embed')];
        let movie = null;
        let size = null;
        if (players.length > 0) {
          const box = players[0].getBoundingClientRect();
          size = [Math.round(box.width), Math.round(box.height)];
          try {
            const cfg = players[0].ruffle().loadedConfig;
            movie = cfg && cfg.url ? String(cfg.url) : null;
          } catch {}
        }
        return { players: players.length, movie, size };
      });
      Object.assign(result, state);
      if (result.trace.length >= expected || Date.now() > deadline) break;
      await sleep(50);
    }
  } finally {
    if (browser) await browser.close();
    server.close();
  }
  fs.writeFileSync(resultsFile, JSON.stringify(result, null, 1) + '\n');
}

main().catch((e) => fail(e && e.stack ? e.stack : String(e)));
