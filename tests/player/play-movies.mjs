#!/usr/bin/env node
// Plays SWF movies in Ruffle (the web build, from tools/npm) inside Debian's Chromium and
// records what each movie traces.
//
//   node play-movies.mjs MANIFEST.json RESULTS.json
//
// See tests/player/README.md for the manifest and result formats.
import http from 'node:http';
import fs from 'node:fs';
import fsp from 'node:fs/promises';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { createRequire } from 'node:module';
import zlib from 'node:zlib';

const here = path.dirname(fileURLToPath(import.meta.url));
const npmDir = process.env.PLENWICK_NPM_DIR || path.resolve(here, '../../tools/npm');
const require = createRequire(path.join(npmDir, 'package.json'));

function fail(message) {
  process.stderr.write(`play-movies: ${message}\n`);
  process.exit(2);
}

// ---------------------------------------------------------------------------------------------
// Manifest

function readManifest(file) {
  let doc;
  try {
    doc = JSON.parse(fs.readFileSync(file, 'utf8'));
  } catch (e) {
    fail(`cannot read the manifest ${file}: ${e.message}`);
  }
  if (!doc || !Array.isArray(doc.movies)) fail('the manifest has no "movies" list');
  const movies = doc.movies.map((m, i) => {
    const where = `movie ${i + 1}`;
    if (typeof m.swf !== 'string' || m.swf === '') fail(`${where} has no "swf"`);
    const swf = path.resolve(m.swf);
    const root = path.resolve(typeof m.root === 'string' && m.root !== '' ? m.root : path.dirname(swf));
    const rel = path.relative(root, swf);
    if (rel.startsWith('..') || path.isAbsolute(rel)) fail(`${where}: ${swf} is not inside its folder ${root}`);
    const frames = Number(m.frames);
    if (!Number.isInteger(frames) || frames < 1 || frames > 100000) fail(`${where}: "frames" must be a whole number from 1`);
    const timeLimitMs = m.timeLimitMs === undefined ? 20000 : Number(m.timeLimitMs);
    if (!Number.isFinite(timeLimitMs) || timeLimitMs <= 0) fail(`${where}: "timeLimitMs" must be positive`);
    if (m.screenshot !== undefined && (typeof m.screenshot !== 'string' || m.screenshot === '')) fail(`${where}: "screenshot" must be a path`);
    const screenshot = m.screenshot === undefined ? null : path.resolve(m.screenshot);
    if (m.renderer !== undefined && !['canvas', 'webgl', 'wgpu-webgl'].includes(m.renderer)) fail(`${where}: "renderer" must be canvas, webgl or wgpu-webgl`);
    const renderer = m.renderer === undefined ? null : m.renderer;
    const pixels = Array.isArray(m.pixels) ? m.pixels : [];
    for (const p of pixels) {
      if (!Array.isArray(p) || p.length !== 2 || !p.every(Number.isFinite)) fail(`${where}: "pixels" must list [x, y] pairs`);
    }
    const clicks = Array.isArray(m.clicks) ? m.clicks : [];
    for (const c of clicks) {
      if (!Array.isArray(c) || c.length !== 3 || !c.every(Number.isFinite) || !Number.isInteger(c[0])) fail(`${where}: "clicks" must list [frame, x, y]`);
    }
    if (m.audio !== undefined && typeof m.audio !== 'boolean') fail(`${where}: "audio" must be true or false`);
    const audio = m.audio === true;
    return { name: typeof m.name === 'string' ? m.name : rel, swf, root, rel, frames, timeLimitMs, screenshot, renderer, pixels, clicks, audio };
  });
  const workers = doc.workers === undefined ? 4 : Number(doc.workers);
  if (!Number.isInteger(workers) || workers < 1 || workers > 16) fail('"workers" must be a whole number from 1 to 16');
  return { movies, workers };
}

// ---------------------------------------------------------------------------------------------
// Loopback HTTP server: the Ruffle package under /ruffle/, the page at /, and each movie's folder
// under /m/<index>/.

const contentTypes = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.swf': 'application/x-shockwave-flash',
  '.txt': 'text/plain; charset=utf-8',
  '.xml': 'text/xml; charset=utf-8',
  '.json': 'application/json',
  '.png': 'image/png',
  '.jpg': 'image/jpeg',
  '.gif': 'image/gif',
  '.mp3': 'audio/mpeg',
};

const pageHtml = `<!doctype html>
<html><head><meta charset="utf-8"><title>player</title>
<style>html,body{margin:0;background:#fff}#stage>*{width:550px;height:400px;display:block}</style>
<script>
window.RufflePlayer = window.RufflePlayer || {};
window.RufflePlayer.config = {
  publicPath: '/ruffle/',
  polyfills: false,
  autoplay: 'on',
  unmuteOverlay: 'hidden',
  splashScreen: false,
  preloader: false,
  letterbox: 'on',
  warnOnUnsupportedContent: false,
  contextMenu: 'off',
  showSwfDownload: false,
  openUrlMode: 'deny',
  allowScriptAccess: false,
  backgroundExecutionMode: 'mainThread',
  logLevel: 'error',
  preferredRenderer: 'canvas',
  maxExecutionDuration: 15,
};
</script>
<script>
// Counts the requests in flight, from the call until the whole body has arrived, so that the
// driver can hold the clock while a movie waits for a file.
(() => {
  const original = window.fetch.bind(window);
  window.__pendingFetches = 0;
  window.fetch = async (...args) => {
    window.__pendingFetches++;
    let response;
    try {
      response = await original(...args);
    } catch (e) {
      window.__pendingFetches--;
      throw e;
    }
    // The player reads the response itself; a copy of it tells when the body is complete.
    response.clone().arrayBuffer().catch(() => {}).finally(() => window.__pendingFetches--);
    return response;
  };
})();
</script>
<script>
// Keeps a copy of the left channel of every buffer of sound the page starts playing while
// window.__audio is set: the player's mixed output, as it leaves for the speakers.
(() => {
  const original = AudioBufferSourceNode.prototype.start;
  window.__audio = null;
  AudioBufferSourceNode.prototype.start = function (...args) {
    const a = window.__audio;
    if (a && this.buffer && this.buffer.numberOfChannels > 0) {
      a.rate = this.buffer.sampleRate;
      a.chunks.push(Float32Array.from(this.buffer.getChannelData(0)));
    }
    return original.apply(this, args);
  };
})();
</script>
<script src="/ruffle/ruffle.js"></script>
</head><body><div id="stage"></div></body></html>
`;

function startServer(ruffleDir, movies) {
  const server = http.createServer(async (req, res) => {
    const send = (status, type, body, cache) => {
      res.writeHead(status, { 'Content-Type': type, 'Cache-Control': cache ? 'max-age=3600' : 'no-store' });
      res.end(body);
    };
    let urlPath;
    try {
      urlPath = decodeURIComponent(new URL(req.url, 'http://localhost').pathname);
    } catch {
      return send(400, 'text/plain', 'bad request');
    }
    // Movies send variables with POST as well as GET; like files on a disk, the answer is the
    // file itself. The request body is read and dropped.
    if (req.method !== 'GET' && req.method !== 'HEAD' && req.method !== 'POST') return send(405, 'text/plain', 'method not allowed');
    if (req.method === 'POST') {
      let size = 0;
      for await (const chunk of req) {
        size += chunk.length;
        if (size > 16 * 1024 * 1024) return send(413, 'text/plain', 'too large');
      }
    }
    if (urlPath === '/' || urlPath === '/index.html') return send(200, contentTypes['.html'], pageHtml);
    let base, rest;
    let m;
    if (urlPath.startsWith('/ruffle/')) {
      base = ruffleDir;
      rest = urlPath.slice('/ruffle/'.length);
    } else if ((m = /^\/m\/(\d+)\/(.*)$/.exec(urlPath)) && Number(m[1]) < movies.length) {
      base = movies[Number(m[1])].root;
      rest = m[2];
    } else {
      return send(404, 'text/plain', 'not found');
    }
    const file = path.resolve(base, rest);
    const rel = path.relative(base, file);
    if (rel.startsWith('..') || path.isAbsolute(rel)) return send(404, 'text/plain', 'not found');
    let body;
    try {
      const st = await fsp.stat(file);
      if (!st.isFile()) return send(404, 'text/plain', 'not found');
      body = await fsp.readFile(file);
    } catch {
      return send(404, 'text/plain', 'not found');
    }
    // The player's own files may be cached (the browser then keeps its compiled code); movies never.
    send(200, contentTypes[path.extname(file).toLowerCase()] || 'application/octet-stream', req.method === 'HEAD' ? undefined : body, base === ruffleDir);
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => resolve(server));
  });
}

// ---------------------------------------------------------------------------------------------
// Playing

// The page's clock is a fake one that the driver moves on by hand, so a movie runs an exact
// number of frames however busy the machine is. Animation frames come every 16 ms of that clock;
// the player runs a movie frame whenever the time it has accumulated reaches one frame period.
const animationStepMs = 16;
// The date at a movie's first frame, in the time zone of the browser below; the reference
// output of the corpus movies was recorded at this moment.
const startDate = new Date('2001-02-03T04:05:06.000+05:45');
const timeZone = 'Asia/Kathmandu';

// Runs in the page once: records the time of the latest animation frame.
function watchAnimationFrames() {
  const step = (t) => {
    window.__lastAnimationFrame = t;
    requestAnimationFrame(step);
  };
  requestAnimationFrame(step);
}

// Runs in the page: replaces the previous player with a fresh one and starts loading the movie.
// Returns at once. Once loaded the movie is held before its first frame until the driver lets it go.
function startMovie({ url, base, renderer, audio }) {
  const stage = document.getElementById('stage');
  for (const old of stage.children) {
    try {
      old.ruffle().suspend();
    } catch {}
  }
  stage.replaceChildren();
  const state = { trace: [], metadata: null, loaded: false, error: null };
  window.__movie = state;
  window.__audio = audio ? { rate: 0, chunks: [] } : null;
  const player = window.RufflePlayer.newest().createPlayer();
  player.addEventListener('loadedmetadata', () => {
    const md = player.ruffle().metadata;
    state.metadata = md ? { frameRate: md.frameRate, numFrames: md.numFrames, swfVersion: md.swfVersion, width: md.width, height: md.height } : {};
  });
  stage.appendChild(player);
  player.ruffle().load(renderer ? { url, base, preferredRenderer: renderer } : { url, base }).then(
    () => {
      player.ruffle().traceObserver = (message) => state.trace.push(String(message));
      player.ruffle().suspend();
      state.loaded = true;
    },
    (e) => {
      state.error = `the player did not load the movie: ${e && e.message ? e.message : e}`;
    });
}

// Runs in the page: starts the player once on an empty movie, so that the time the browser
// takes to compile the player is not counted against the first real movie.
function warmUp() {
  const stage = document.getElementById('stage');
  const state = { trace: [], metadata: null, loaded: false, error: null };
  window.__movie = state;
  const player = window.RufflePlayer.newest().createPlayer();
  player.addEventListener('loadedmetadata', () => {
    state.metadata = {};
  });
  stage.appendChild(player);
  // A version 6 movie of one empty frame: header, ShowFrame, End.
  const data = new Uint8Array([0x46, 0x57, 0x53, 6, 17, 0, 0, 0, 0, 0, 12, 1, 0, 0x40, 0, 0, 0]);
  player.ruffle().load({ data }).then(
    () => {
      player.ruffle().suspend();
      state.loaded = true;
    },
    (e) => {
      state.error = `the player did not start: ${e && e.message ? e.message : e}`;
    });
}

function readMovie() {
  const s = window.__movie;
  return s ? { trace: s.trace.slice(), metadata: s.metadata, loaded: s.loaded, error: s.error } : null;
}

// Runs in the page: what the sound recorded so far holds. Samples count the frames of the left
// channel; "first" and "last" are the first and last sample louder than 1 % of full scale (-1
// when none is); crossings are sign changes between samples beyond 3 % of full scale.
function readAudio() {
  const a = window.__audio;
  if (!a) return null;
  let samples = 0, first = -1, last = -1, crossings = 0, previous = 0, peak = 0;
  for (const chunk of a.chunks) {
    for (const v of chunk) {
      const m = Math.abs(v);
      if (m > peak) peak = m;
      if (m > 0.01) {
        if (first < 0) first = samples;
        last = samples;
      }
      const sign = v > 0.03 ? 1 : v < -0.03 ? -1 : 0;
      if (sign !== 0 && previous !== 0 && sign !== previous) crossings++;
      if (sign !== 0) previous = sign;
      samples++;
    }
  }
  return { rate: a.rate, samples, first, last, crossings, peak };
}

function releaseMovie() {
  const player = document.querySelector('#stage > *');
  player.ruffle().resume();
  return { lastFrame: window.__lastAnimationFrame, now: performance.now() };
}

function stopMovie() {
  const stage = document.getElementById('stage');
  for (const old of stage.children) {
    try {
      old.ruffle().suspend();
    } catch {}
  }
  stage.replaceChildren();
  window.__audio = null;
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// The size of the player on the page (the page's style gives it).
const stageWidth = 550;
const stageHeight = 400;

// The pixels of a PNG image that the browser wrote (8 bits per sample, not interlaced) as
// { width, height, channels, data } with one byte per sample, filters undone.
function decodePng(buffer) {
  let at = 8;
  let width = 0, height = 0, colourType = 0;
  const idat = [];
  while (at + 8 <= buffer.length) {
    const length = buffer.readUInt32BE(at);
    const type = buffer.toString('latin1', at + 4, at + 8);
    const body = buffer.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[12] !== 0) throw new Error('unexpected PNG layout');
      colourType = body[9];
    } else if (type === 'IDAT') {
      idat.push(body);
    } else if (type === 'IEND') {
      break;
    }
    at += 12 + length;
  }
  const channels = colourType === 6 ? 4 : colourType === 2 ? 3 : 0;
  if (!channels) throw new Error(`unexpected PNG colour type ${colourType}`);
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = width * channels;
  const data = Buffer.alloc(stride * height);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; i++) {
      const a = i >= channels ? data[y * stride + i - channels] : 0;
      const b = y > 0 ? data[(y - 1) * stride + i] : 0;
      const c = i >= channels && y > 0 ? data[(y - 1) * stride + i - channels] : 0;
      let v = line[i];
      if (filter === 1) v += a;
      else if (filter === 2) v += b;
      else if (filter === 3) v += (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c;
        const pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        v += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      data[y * stride + i] = v & 0xff;
    }
  }
  return { width, height, channels, data };
}

// The colours (0xRRGGBB) at points of the movie's stage, which the player shows scaled to fit
// its box and centred in it.
function samplePixels(png, points, metadata) {
  const image = decodePng(png);
  const w = metadata.width > 0 ? metadata.width : stageWidth;
  const h = metadata.height > 0 ? metadata.height : stageHeight;
  const scale = Math.min(stageWidth / w, stageHeight / h);
  const left = (stageWidth - w * scale) / 2;
  const top = (stageHeight - h * scale) / 2;
  return points.map(([x, y]) => {
    const px = Math.min(image.width - 1, Math.max(0, Math.floor(left + x * scale)));
    const py = Math.min(image.height - 1, Math.max(0, Math.floor(top + y * scale)));
    const i = (py * image.width + px) * image.channels;
    return (image.data[i] << 16) | (image.data[i + 1] << 8) | image.data[i + 2];
  });
}

// Writes the pixels of a screenshot beside it as `<file>.ppm` (binary RGB, rows top first), for
// tests that read them.
function writePpm(png, file) {
  const image = decodePng(png);
  const rgb = Buffer.alloc(image.width * image.height * 3);
  for (let i = 0, j = 0; j < rgb.length; i += image.channels, j += 3) {
    rgb[j] = image.data[i];
    rgb[j + 1] = image.data[i + 1];
    rgb[j + 2] = image.data[i + 2];
  }
  fs.writeFileSync(`${file}.ppm`, Buffer.concat([Buffer.from(`P6\n${image.width} ${image.height}\n255\n`), rgb]));
}

// The page point that shows a point of the movie's stage (the player shows the stage scaled to
// fit its box and centred in it).
function stageToPage(x, y, metadata) {
  const w = metadata.width > 0 ? metadata.width : stageWidth;
  const h = metadata.height > 0 ? metadata.height : stageHeight;
  const scale = Math.min(stageWidth / w, stageHeight / h);
  return [(stageWidth - w * scale) / 2 + x * scale, (stageHeight - h * scale) / 2 + y * scale];
}

// Moves the page's clock on. A callback left behind by a player that was just removed may throw
// once on the first move after it; such a move is repeated.
async function moveClock(page, ms, tolerateStale) {
  try {
    await page.clock.runFor(ms);
  } catch (e) {
    if (!tolerateStale) throw e;
    await page.clock.runFor(ms);
  }
}

async function playOne(page, baseUrl, movie, index) {
  const result = { name: movie.name, swf: movie.swf, frames: movie.frames, frameRate: null, trace: [], error: null };
  const url = `${baseUrl}/m/${index}/${movie.rel.split(path.sep).map(encodeURIComponent).join('/')}`;
  const started = Date.now();
  const deadline = started + movie.timeLimitMs;
  const pageErrors = [];
  const onPageError = (e) => pageErrors.push(String(e && e.message ? e.message : e));
  page.on('pageerror', onPageError);
  try {
    // Relative addresses in the movie resolve against its own folder, as when it is opened directly.
    await page.evaluate(startMovie, { url, base: new URL('.', url).href, renderer: movie.renderer, audio: movie.audio });
    let state = await page.evaluate(readMovie);
    while (!state.error && !(state.loaded && state.metadata) && Date.now() < deadline) {
      await sleep(5);
      state = await page.evaluate(readMovie);
    }
    if (state.error) {
      result.error = state.error;
    } else if (!(state.loaded && state.metadata)) {
      result.error = `the movie did not load within ${movie.timeLimitMs} ms`;
    } else {
      const rate = state.metadata.frameRate > 0 ? state.metadata.frameRate : 12;
      result.frameRate = rate;
      // Let the held player see a few animation frames, so that the time spent loading does not
      // count as playing time, then release it and run to the animation frame at which the
      // wanted frame count has been reached.
      await moveClock(page, 2 * animationStepMs, true);
      const { lastFrame, now } = await page.evaluate(releaseMovie);
      const frameMs = 1000 / rate;
      // Frame n runs at the first animation frame at least n frame periods after the release.
      const frameTime = (n) => lastFrame + Math.ceil((n * frameMs + 0.001) / animationStepMs) * animationStepMs;
      const target = frameTime(movie.frames);
      // Every movie's first frame runs at the same date and time.
      await page.clock.setSystemTime(startDate.getTime() - (frameTime(1) - now));
      // The clock moves on one movie frame at a time; while the movie waits for a file it
      // stands still, so a file arrives as quickly as from a local disk.
      let at = now;
      for (let n = 1; n <= movie.frames && Date.now() < deadline; n++) {
        if (frameTime(n) > at) {
          await moveClock(page, frameTime(n) - at, false);
          at = frameTime(n);
        }
        while ((await page.evaluate(() => window.__pendingFetches)) > 0 && Date.now() < deadline) await sleep(2);
        for (const [frame, x, y] of movie.clicks) {
          if (frame !== n) continue;
          const [px, py] = stageToPage(x, y, state.metadata);
          await page.mouse.move(px, py);
          await page.mouse.down();
          await page.mouse.up();
        }
      }
      if (at < target) result.error = `${movie.frames} frames did not run within ${movie.timeLimitMs} ms`;
      if (!result.error && (movie.screenshot || movie.pixels.length > 0)) {
        // One more animation frame draws what the last movie frame left.
        await moveClock(page, animationStepMs, false);
        const png = await page.screenshot({ clip: { x: 0, y: 0, width: stageWidth, height: stageHeight } });
        if (movie.screenshot) {
          fs.writeFileSync(movie.screenshot, png);
          writePpm(png, movie.screenshot);
        }
        if (movie.pixels.length > 0) result.pixels = samplePixels(png, movie.pixels, state.metadata);
      }
      if (!result.error && movie.audio) {
        // Sound plays in real time, whatever the page's clock does: the clock stays where the
        // last frame left it while the sound goes on, until half a second of silence has come
        // after it, or two seconds of silence from the start.
        for (;;) {
          const a = await page.evaluate(readAudio);
          const quiet = a.rate > 0 ? (a.samples - 1 - a.last) / a.rate : 0;
          if ((a.last >= 0 && quiet >= 0.5) || (a.last < 0 && quiet >= 2) || Date.now() >= deadline) {
            result.audio = a;
            break;
          }
          await sleep(50);
        }
      }
      state = await page.evaluate(readMovie);
      result.trace = state.trace;
      if (state.error && !result.error) result.error = state.error;
    }
    await page.evaluate(stopMovie);
  } catch (e) {
    result.error = `the browser failed: ${e && e.message ? e.message.split('\n')[0] : e}`;
  } finally {
    page.off('pageerror', onPageError);
  }
  if (pageErrors.length > 0) result.pageErrors = pageErrors;
  result.elapsedMs = Date.now() - started;
  return result;
}

async function main() {
  const [manifestFile, resultsFile] = process.argv.slice(2);
  if (!manifestFile || !resultsFile) fail('usage: play-movies.mjs MANIFEST.json RESULTS.json');
  const { movies, workers } = readManifest(manifestFile);

  let chromium;
  try {
    ({ chromium } = require('playwright-core'));
  } catch (e) {
    fail(`playwright-core is not installed in ${npmDir} (run tools/install-deps.sh): ${e.message}`);
  }
  let ruffleDir;
  try {
    ruffleDir = path.dirname(require.resolve('@ruffle-rs/ruffle/package.json'));
  } catch (e) {
    fail(`@ruffle-rs/ruffle is not installed in ${npmDir} (run tools/install-deps.sh): ${e.message}`);
  }
  const browserPath = process.env.PLENWICK_CHROMIUM || '/usr/bin/chromium';
  if (!fs.existsSync(browserPath)) fail(`no browser at ${browserPath} (run tools/install-deps.sh)`);

  const server = await startServer(ruffleDir, movies);
  const baseUrl = `http://127.0.0.1:${server.address().port}`;
  let browser;
  const results = new Array(movies.length);
  try {
    browser = await chromium.launch({
      executablePath: browserPath,
      headless: true,
      args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--mute-audio'],
    });
    let next = 0;
    const worker = async () => {
      // One context per page: each has a clock of its own.
      const context = await browser.newContext({ viewport: { width: 640, height: 480 }, timezoneId: timeZone, locale: 'en-US' });
      await context.clock.install();
      const page = await context.newPage();
      await page.goto(`${baseUrl}/`);
      await page.waitForFunction(() => window.RufflePlayer && typeof window.RufflePlayer.newest === 'function');
      await page.evaluate(watchAnimationFrames);
      await page.evaluate(warmUp);
      const warmDeadline = Date.now() + 180000;
      let warm = await page.evaluate(readMovie);
      while (!warm.error && !(warm.loaded && warm.metadata) && Date.now() < warmDeadline) {
        await sleep(20);
        warm = await page.evaluate(readMovie);
      }
      if (!(warm.loaded && warm.metadata)) throw new Error(warm.error || 'the player did not start within 180 s');
      await page.evaluate(stopMovie);
      // The clock still runs here: on a busy machine the moment chosen may have passed before the
      // call arrives, so it is chosen again. Pausing also runs the timers that came due, and a
      // timer the stopped player left behind may throw; that timer is gone then, so try again.
      for (let attempt = 1; ; attempt++) {
        try {
          await page.clock.pauseAt((await page.evaluate(() => Date.now())) + 1000 * attempt);
          break;
        } catch (e) {
          if (attempt >= 5 || !/to the past|after being dropped/.test(String(e && e.message))) throw e;
        }
      }
      for (;;) {
        const i = next++;
        if (i >= movies.length) break;
        results[i] = await playOne(page, baseUrl, movies[i], i);
      }
      await context.close();
    };
    await Promise.all(Array.from({ length: Math.min(workers, movies.length) }, worker));
  } finally {
    if (browser) await browser.close();
    server.close();
  }
  const text = JSON.stringify({ movies: results }, null, 1) + '\n';
  const tmp = path.join(path.dirname(path.resolve(resultsFile)), `.${path.basename(resultsFile)}.${process.pid}.tmp`);
  fs.writeFileSync(tmp, text);
  fs.renameSync(tmp, resultsFile);
}

main().catch((e) => fail(e && e.stack ? e.stack : String(e)));
