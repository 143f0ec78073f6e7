// Drives the web page in headless Chromium over the DevTools protocol.
//   drive.mjs run URL OUT [SECONDS]  opens URL, waits for the run to end (window.gloopaDone), and
//                                    writes OUT/log.txt, statdump.json, console.txt, status and,
//                                    when the game took one, shot.png
//   drive.mjs play URL OUT           plays as a person would: the title, a click, steering with the
//                                    right button held and shooting with the left, then lets go
//                                    until the game is over; screenshots OUT/*.png on the way
// CHROMIUM names the browser (default chromium). Exit status 0 when the page did what was asked.
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const [command, url, out, limit] = process.argv.slice(2);
if (!['run', 'play'].includes(command) || !url || !out) {
  console.error('usage: drive.mjs run|play URL OUT [SECONDS]');
  process.exit(2);
}
fs.mkdirSync(out, {recursive: true});
const seconds = Number(limit || 600);
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
function received(message) {
  if (message.id && waiting.has(message.id)) {
    const {done, failed} = waiting.get(message.id);
    waiting.delete(message.id);
    if (message.error) failed(new Error(JSON.stringify(message.error)));
    else done(message.result);
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
async function evaluate(expression) {
  const answer = await page('Runtime.evaluate', {expression, returnByValue: true, awaitPromise: true});
  return answer.result.value;
}
async function screenshot(name) {
  const shot = await page('Page.captureScreenshot', {format: 'png'});
  fs.writeFileSync(path.join(out, name), Buffer.from(shot.data, 'base64'));
}
const mouse = (type, x, y, button = 'none', buttons = 0) =>
  page('Input.dispatchMouseEvent', {type, x, y, button, buttons, clickCount: type === 'mouseMoved' ? 0 : 1});

const started = Date.now();
await page('Page.navigate', {url});

if (command === 'run') {
  let status = null;
  while (typeof status !== 'number' && Date.now() - started < seconds * 1000) {
    await sleep(250);
    status = await evaluate('window.gloopaDone');
  }
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
    finish(0);
  }
} else {
  // The page's own script is busy with the game's frames from then on, and a busy page answers
  // evaluations late: only the browser's own input and screenshots are used while it plays.
  await sleep(8000);
  await sleep(1500);
  await screenshot('title.png');
  // The title screen starts a game on a click.
  await mouse('mouseMoved', 512, 384);
  await mouse('mousePressed', 512, 384, 'left', 1);
  await mouse('mouseReleased', 512, 384, 'left', 0);
  await sleep(500);
  // Steer in a wide circle with the right button held, shooting with the left.
  await mouse('mousePressed', 512, 384, 'right', 2);
  const playStart = Date.now();
  let shots = 0;
  while (Date.now() - playStart < 20000) {
    const t = (Date.now() - playStart) / 1000;
    const x = 512 + 300 * Math.cos(t * 1.3), y = 384 + 250 * Math.sin(t * 1.3);
    await mouse('mouseMoved', x, y, 'right', 2);
    if (Math.floor(t * 4) % 2 === 0) await mouse('mousePressed', x, y, 'left', 3);
    else await mouse('mouseReleased', x, y, 'left', 2);
    if (t > 3 + shots * 6 && shots < 3) await screenshot(`play${++shots}.png`);
    await sleep(40);
  }
  await mouse('mouseReleased', 512, 384, 'left', 2);
  await mouse('mouseReleased', 512, 384, 'right', 0);
  // Left alone, the snake is worn down by the predators: the game ends and the title returns.
  let n = 0;
  while (Date.now() - playStart < seconds * 1000) {
    await sleep(10000);
    await screenshot(`later${++n}.png`);
  }
  fs.writeFileSync(path.join(out, 'console.txt'), consoleLines.join('\n') + '\n');
  finish(0);
}
