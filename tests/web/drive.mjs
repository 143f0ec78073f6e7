// Drives the web page in headless Chromium over the DevTools protocol.
//   drive.mjs run URL OUT [SECONDS]  opens URL, waits for the run to end (window.gloopaDone), and
//                                    writes OUT/log.txt, statdump.json, console.txt, status and,
//                                    when the game took one, shot.png and frames.log
//   drive.mjs play URL OUT [SECONDS] plays as a person would: waits for the title, clicks, steers
//                                    with the right button held and shoots with the left for
//                                    SECONDS (default 30), then lets go for as long again, so
//                                    that the predators end the game; then Escape. Screenshots
//                                    OUT/title.png, play-NN.png, later-NN.png on the way, and
//                                    OUT/figures.json: when the page was playable, the canvas's
//                                    size, clips started before and after the first click, the
//                                    loudest sample heard, the run's status
//   drive.mjs touch URL OUT [SECONDS] plays on a phone (390 x 844, touch, portrait): a tap on
//                                    the title, one finger steering in a loop and a second
//                                    firing for SECONDS (default 4), then lets go; turned to
//                                    landscape, waits for the run to end (URL gives frames=N
//                                    and statdump=1). Screenshots OUT/touch-*.png; OUT/figures.json
//                                    holds the finger's last point in the page's pixels, and
//                                    OUT/statdump.json and OUT/recorded.demo (the run as the hall
//                                    of fame recorded it) what the game kept
//   drive.mjs offline URL OUT         opens URL until its service worker keeps the page's files,
//                                    then turns the network off and reloads: OUT/figures.json
//                                    says whether the page was playable again and which files
//                                    the service worker answered
//   drive.mjs persist URL OUT         opens URL, lowers the volume with the - key, reloads the
//                                    page and writes OUT/figures.json: the settings file before
//                                    and after the reload, and the sound's gain after it
// CHROMIUM names the browser (default chromium). Exit status 0 when the page did what was asked.
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const [command, url, out, limit] = process.argv.slice(2);
if (!['run', 'play', 'touch', 'persist', 'offline'].includes(command) || !url || !out) {
  console.error('usage: drive.mjs run|play|touch|persist|offline URL OUT [SECONDS]');
  process.exit(2);
}
fs.mkdirSync(out, {recursive: true});
const seconds = Number(limit || {play: 30, touch: 4}[command] || 600);
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'gloopa-chromium-'));
// The protocol goes over a pipe (descriptors 3 and 4 of the browser), which needs no WebSocket
// client: each message is JSON ended by a NUL.
const browser = spawn(process.env.CHROMIUM || 'chromium', [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
  '--window-size=1024,768', `--user-data-dir=${profile}`, '--remote-debugging-pipe', 'about:blank',
], {stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe']});
browser.stderr.on('data', () => {});
function finish(status) {
  // The profile goes once the browser has gone; it may still be writing into it as it goes.
  browser.on('exit', () => {
    try {
      fs.rmSync(profile, {recursive: true, force: true, maxRetries: 5});
    } catch {}
    process.exit(status);
  });
  browser.kill('SIGKILL');
}
const toBrowser = browser.stdio[3];
const fromBrowser = browser.stdio[4];

let nextId = 1;
const waiting = new Map();
const consoleLines = [];
const servedByWorker = new Set();
function received(message) {
  if (message.id && waiting.has(message.id)) {
    const {done, failed} = waiting.get(message.id);
    waiting.delete(message.id);
    if (message.error) failed(new Error(JSON.stringify(message.error)));
    else done(message.result);
  } else if (message.method === 'Network.responseReceived') {
    const {response} = message.params;
    if (response.fromServiceWorker) servedByWorker.add(response.url.replace(/^.*\//, ''));
  } else if (message.method === 'Runtime.consoleAPICalled') {
    consoleLines.push(message.params.args.map((a) => a.value ?? a.description ?? '').join(' '));
    if (process.env.GLOOPA_DRIVE_VERBOSE) console.error(consoleLines[consoleLines.length - 1]);
  } else if (message.method === 'Runtime.exceptionThrown') {
    const details = message.params.exceptionDetails;
    consoleLines.push('exception: ' + (details.exception?.description ?? details.text));
  }
}
let pending = Buffer.alloc(0);
fromBrowser.on('data', (chunk) => {
  pending = Buffer.concat([pending, chunk]);
  for (let end = pending.indexOf(0); end >= 0; end = pending.indexOf(0)) {
    received(JSON.parse(pending.subarray(0, end).toString('utf8')));
    pending = pending.subarray(end + 1);
  }
});
browser.on('exit', () => {
  for (const {failed} of waiting.values()) failed(new Error('chromium has gone'));
});
function send(method, params = {}, sessionId = undefined) {
  const id = nextId++;
  toBrowser.write(JSON.stringify({id, method, params, sessionId}) + '\0');
  return new Promise((done, failed) => waiting.set(id, {done, failed}));
}

const {targetId} = await send('Target.createTarget', {url: 'about:blank'});
const {sessionId} = await send('Target.attachToTarget', {targetId, flatten: true});
const page = (method, params) => send(method, params, sessionId);
await page('Runtime.enable');
await page('Page.enable');
// The page's size: the Linux build's window for runs, whose pictures are compared with its; a wide
// one for play, where the 4:3 picture stands between bars.
const [viewWidth, viewHeight] =
    command === 'run' ? [1024, 768] : command === 'touch' ? [390, 844] : [1280, 720];
await page('Emulation.setDeviceMetricsOverride',
    {width: viewWidth, height: viewHeight, deviceScaleFactor: 1, mobile: command === 'touch'});
if (command === 'touch') await page('Emulation.setTouchEmulationEnabled', {enabled: true, maxTouchPoints: 5});
const [midX, midY] = [viewWidth / 2, viewHeight / 2 - 20];
async function evaluate(expression) {
  const answer = await page('Runtime.evaluate', {expression, returnByValue: true, awaitPromise: true});
  return answer.result.value;
}
async function screenshot(name) {
  const shot = await page('Page.captureScreenshot', {format: 'png'});
  fs.writeFileSync(path.join(out, name), Buffer.from(shot.data, 'base64'));
}
// The value of expression once it has one, polled for at most ms milliseconds; null if it never does.
async function until(expression, ms) {
  for (const end = Date.now() + ms; Date.now() < end; await sleep(100)) {
    const value = await evaluate(expression);
    if (value !== null && value !== undefined) return value;
  }
  return null;
}
const mouse = (type, x, y, button = 'none', buttons = 0) =>
  page('Input.dispatchMouseEvent', {type, x, y, button, buttons, clickCount: type === 'mouseMoved' ? 0 : 1});

if (command === 'play') {
  // Counts the clips the game starts through Web Audio, which is what emscripten's OpenAL plays
  // on, and listens to what reaches the speakers: the loudest sample heard, looked at every 20 ms.
  await page('Page.addScriptToEvaluateOnNewDocument', {source: `
    window.gloopaClipsStarted = 0;
    window.gloopaLoudest = 0;
    const start = AudioBufferSourceNode.prototype.start;
    AudioBufferSourceNode.prototype.start = function (...args) {
      window.gloopaClipsStarted += 1;
      return start.apply(this, args);
    };
    const connect = AudioNode.prototype.connect;
    const listening = new WeakSet();
    AudioNode.prototype.connect = function (target, ...rest) {
      const context = this.context;
      if (target === context.destination && !listening.has(context)) {
        listening.add(context);
        const ear = context.createAnalyser();
        ear.fftSize = 2048;
        connect.call(ear, context.destination);
        const samples = new Float32Array(ear.fftSize);
        setInterval(() => {
          ear.getFloatTimeDomainData(samples);
          for (const v of samples) window.gloopaLoudest = Math.max(window.gloopaLoudest, Math.abs(v));
        }, 20);
        return connect.call(this, ear, ...rest);
      }
      return connect.call(this, target, ...rest);
    };`});
}
await page('Page.navigate', {url});

const key = async (code, key, windowsVirtualKeyCode) => {
  // Held as a person holds a key: the game looks at the keys once a step.
  await page('Input.dispatchKeyEvent', {type: 'rawKeyDown', key, code, windowsVirtualKeyCode});
  await sleep(300);
  await page('Input.dispatchKeyEvent', {type: 'keyUp', key, code, windowsVirtualKeyCode});
};
const touch = (type, points) =>
  page('Input.dispatchTouchEvent', {type, touchPoints: points.map(([x, y], id) => ({x, y, id}))});
const settingsFile = `(() => {
  const file = '/home/web_user/.config/gloopa/gloopa.ini';
  return Module.FS.analyzePath(file).exists ? Module.FS.readFile(file, {encoding: 'utf8'}) : '';
})()`;

if (command === 'touch') {
  const figures = {};
  figures.playableMs = await until('window.gloopaPlayable ?? null', 60000);
  await sleep(1000);
  await screenshot('touch-title.png');
  const [cx, cy] = [viewWidth / 2, viewHeight / 2];
  // A tap starts the game.
  await touch('touchStart', [[cx, cy]]);
  await sleep(80);
  await touch('touchEnd', []);
  await sleep(500);
  // One finger steers in a loop up and to the right of the middle; halfway through, a second
  // comes down below it and fires, and both stay down.
  const start = Date.now();
  const second = [cx - 100, cy + 300];
  let finger = [cx, cy], shots = 0, firing = false;
  await touch('touchStart', [finger]);
  for (let t = 0; t < seconds * 1000; t = Date.now() - start) {
    finger = [cx + 60 + 90 * Math.cos(t / 700), cy - 150 + 90 * Math.sin(t / 700)];
    if (!firing && t > seconds * 500) {
      firing = true;
      await touch('touchStart', [finger, second]);
    }
    await touch('touchMove', firing ? [finger, second] : [finger]);
    if (t > (shots + 1) * 1500) await screenshot(`touch-play-${++shots}.png`);
    await sleep(30);
  }
  figures.finger = finger;
  figures.canvasPortrait = await evaluate('[Module.canvas.width, Module.canvas.height]');
  // Turned to landscape while the fingers are down; the run ends at its frames.
  await page('Emulation.setDeviceMetricsOverride',
      {width: viewHeight, height: viewWidth, deviceScaleFactor: 1, mobile: true});
  await sleep(1000);
  await screenshot('touch-landscape.png');
  figures.canvasLandscape = await evaluate('[Module.canvas.width, Module.canvas.height]');
  figures.status = await until('window.gloopaDone', seconds * 1000 + 60000);
  await touch('touchEnd', []);
  fs.writeFileSync(path.join(out, 'statdump.json'), await evaluate("document.getElementById('statdump').textContent"));
  fs.writeFileSync(path.join(out, 'recorded.demo'), await evaluate(`(() => {
    const folder = '/home/web_user/.local/share/gloopa/replays';
    const runs = Module.FS.analyzePath(folder).exists ?
        Module.FS.readdir(folder).filter((f) => f.endsWith('.demo')) : [];
    return runs.length ? Module.FS.readFile(folder + '/' + runs.sort().pop(), {encoding: 'utf8'}) : '';
  })()`));
  fs.writeFileSync(path.join(out, 'figures.json'), JSON.stringify(figures, null, 1) + '\n');
  fs.writeFileSync(path.join(out, 'console.txt'), consoleLines.join('\n') + '\n');
  finish(figures.status === 0 ? 0 : 1);
} else if (command === 'offline') {
  const figures = {};
  figures.playableMs = await until('window.gloopaPlayable ?? null', 60000);
  figures.kept = await until(`(async () => {
    const worker = await navigator.serviceWorker.ready;
    const name = (await caches.keys()).find((n) => n.startsWith('gloopa-'));
    const kept = name ? (await (await caches.open(name)).keys()).length : 0;
    return worker.active && navigator.serviceWorker.controller && kept >= 8 ? name + ': ' + kept : null;
  })()`, 60000);
  await page('Network.enable');
  await page('Network.emulateNetworkConditions',
      {offline: true, latency: 0, downloadThroughput: -1, uploadThroughput: -1});
  await page('Page.reload');
  await sleep(500);
  figures.offlinePlayableMs = await until('window.gloopaPlayable ?? null', 60000);
  figures.servedByWorker = [...servedByWorker].sort();
  await screenshot('offline.png');
  fs.writeFileSync(path.join(out, 'figures.json'), JSON.stringify(figures, null, 1) + '\n');
  fs.writeFileSync(path.join(out, 'console.txt'), consoleLines.join('\n') + '\n');
  finish(figures.kept && figures.offlinePlayableMs ? 0 : 1);
} else if (command === 'persist') {
  const figures = {};
  figures.playableMs = await until('window.gloopaPlayable ?? null', 60000);
  await sleep(500);
  await key('Minus', '-', 189);
  await sleep(1500);
  figures.before = await evaluate(settingsFile);
  await page('Page.reload');
  await sleep(500);
  figures.reloadedPlayableMs = await until('window.gloopaPlayable ?? null', 60000);
  figures.after = await evaluate(settingsFile);
  figures.gain = await evaluate('AL.currentCtx ? AL.currentCtx.gain.gain.value : null');
  fs.writeFileSync(path.join(out, 'figures.json'), JSON.stringify(figures, null, 1) + '\n');
  fs.writeFileSync(path.join(out, 'console.txt'), consoleLines.join('\n') + '\n');
  finish(figures.playableMs && figures.reloadedPlayableMs ? 0 : 1);
} else if (command === 'run') {
  const status = await until('window.gloopaDone', seconds * 1000);
  fs.writeFileSync(path.join(out, 'console.txt'), consoleLines.join('\n') + '\n');
  if (typeof status !== 'number') {
    console.error(`drive: the run did not end within ${seconds} s`);
    finish(1);
  } else {
    fs.writeFileSync(path.join(out, 'status'), String(status) + '\n');
    fs.writeFileSync(path.join(out, 'log.txt'), await evaluate("document.getElementById('log').textContent"));
    fs.writeFileSync(path.join(out, 'statdump.json'), await evaluate("document.getElementById('statdump').textContent"));
    const shot = await evaluate(`(() => {
      if (!Module.FS.analyzePath('/shot.png').exists) return '';
      const bytes = Module.FS.readFile('/shot.png');
      let text = '';
      for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode(...bytes.subarray(i, i + 8192));
      return btoa(text);
    })()`);
    if (shot) fs.writeFileSync(path.join(out, 'shot.png'), Buffer.from(shot, 'base64'));
    const frames = await evaluate(
        "Module.FS.analyzePath('/frames.log').exists ? Module.FS.readFile('/frames.log', {encoding: 'utf8'}) : ''");
    if (frames) fs.writeFileSync(path.join(out, 'frames.log'), frames);
    finish(0);
  }
} else {
  const figures = {};
  figures.playableMs = await until('window.gloopaPlayable ?? null', 60000);
  await sleep(1000);
  await screenshot('title.png');
  figures.clipsBeforeClick = await evaluate('window.gloopaClipsStarted');
  figures.canvas = await evaluate('[Module.canvas.width, Module.canvas.height]');
  figures.page = [viewWidth, viewHeight];
  // The title screen starts a game on a click of the left button.
  await mouse('mouseMoved', midX, midY);
  await mouse('mousePressed', midX, midY, 'left', 1);
  await sleep(100);
  await mouse('mouseReleased', midX, midY, 'left', 0);
  // Steer in a wide loop with the right button held, shooting with the left in bursts.
  const playFor = seconds * 1000;
  await mouse('mousePressed', midX, midY, 'right', 2);
  const playStart = Date.now();
  let shots = 0;
  for (let t = 0; t < playFor; t = Date.now() - playStart) {
    const x = midX + 300 * Math.cos(t / 900), y = midY + 220 * Math.sin(t / 700);
    await mouse('mouseMoved', x, y, 'right', 2);
    if (Math.floor(t / 300) % 3 !== 2) await mouse('mousePressed', x, y, 'left', 3);
    else await mouse('mouseReleased', x, y, 'left', 2);
    if (t > (shots + 1) * 3000) await screenshot(`play-${String(++shots).padStart(2, '0')}.png`);
    await sleep(30);
  }
  await mouse('mouseReleased', midX, midY, 'left', 2);
  await mouse('mouseReleased', midX, midY, 'right', 0);
  figures.clipsAfterPlay = await evaluate('window.gloopaClipsStarted');
  figures.loudestSample = await evaluate('window.gloopaLoudest');
  figures.audioState = await evaluate(
      'typeof AL !== "undefined" && AL.currentCtx ? AL.currentCtx.audioCtx.state : "no context"');
  // Left alone, the snake is worn down by the predators: the game ends and the title returns.
  for (let n = 1; n <= Math.ceil(seconds / 5); ++n) {
    await sleep(5000);
    await screenshot(`later-${String(n).padStart(2, '0')}.png`);
  }
  await key('Escape', 'Escape', 27);
  figures.status = await until('window.gloopaDone', 10000);
  fs.writeFileSync(path.join(out, 'figures.json'), JSON.stringify(figures, null, 1) + '\n');
  fs.writeFileSync(path.join(out, 'console.txt'), consoleLines.join('\n') + '\n');
  finish(figures.status === 0 ? 0 : 1);
}
