// Drives headless Chromium over its DevTools pipe for the feed's browser test: opens pages,
// reads back what their seven-segment digits show, and takes screenshots. Works on any Node
// version Debian ships, since the pipe needs no WebSocket.
//
//   node browser_pages.mjs CHROMIUM BASE_URL PROFILE_DIR
//
// One command a line on standard input, one answer a line on standard output:
//   open NAME PATH WIDTH HEIGHT  -> opened NAME
//   read NAME                    -> shown NAME {"period":"1","time":"07:00",...,"penalties":
//                                   "#12 1:57, #4 2:00 čeká"}
//   wait NAME FIELD VALUE MS     -> shown NAME {...} once FIELD is VALUE (which may hold spaces),
//                                   or timeout NAME {...}
//   shot NAME FILE               -> saved FILE (the page on a transparent background)
//   quit
import {spawn} from 'node:child_process';
import {writeFileSync} from 'node:fs';
import {createInterface} from 'node:readline';

const [chromiumPath, base, profile] = process.argv.slice(2);
const chromium = spawn(chromiumPath, ['--headless', '--no-sandbox', '--disable-gpu',
  '--no-first-run', '--no-default-browser-check', '--remote-debugging-pipe',
  `--user-data-dir=${profile}`, 'about:blank'],
{stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe']});

let nextId = 1;
const pending = new Map();
const waiters = [];
let received = Buffer.alloc(0);
chromium.stdio[4].on('data', (chunk) => {
  received = Buffer.concat([received, chunk]);
  let end;
  while ((end = received.indexOf(0)) >= 0) {
    const message = JSON.parse(received.subarray(0, end).toString('utf8'));
    received = received.subarray(end + 1);
    if (message.id && pending.has(message.id)) {
      const {resolve, reject} = pending.get(message.id);
      pending.delete(message.id);
      message.error ? reject(new Error(message.error.message)) : resolve(message.result);
    } else if (message.method) {
      waiters.filter((w) => w.method === message.method && w.sessionId === message.sessionId)
        .forEach((w) => { waiters.splice(waiters.indexOf(w), 1); w.resolve(message.params); });
    }
  }
});

function send(method, params = {}, sessionId = undefined) {
  const id = nextId++;
  chromium.stdio[3].write(JSON.stringify({id, method, params, sessionId}) + '\0');
  return new Promise((resolve, reject) => pending.set(id, {resolve, reject}));
}

function nextEvent(method, sessionId) {
  return new Promise((resolve) => waiters.push({method, sessionId, resolve}));
}

const pages = new Map();

// What the page's digits show, decoded from their lit bars; `reloaded` is true when the page
// has been loaded again since it was opened.
const readPage = `(() => {
  const digits = [0x77, 0x24, 0x5d, 0x6d, 0x2e, 0x6b, 0x7b, 0x25, 0x7f, 0x6f];
  const field = (name) => [...document.querySelectorAll('g.digit[data-field="' + name + '"]')]
    .map((g) => {
      let lit = 0;
      g.querySelectorAll('polygon').forEach((p, i) => { if (p.classList.contains('on')) lit |= 1 << i; });
      const d = digits.indexOf(lit);
      return d >= 0 ? String(d) : (lit ? '?' : ' ');
    }).join('');
  const time = field('time');
  const style = (e) => getComputedStyle(e).backgroundColor;
  return {period: field('period'), time: time.slice(0, 2) + ':' + time.slice(2),
    home: field('home'), guest: field('guest'), stale: !!document.querySelector('.stale'),
    penalties: [...document.querySelectorAll('.penalty')].map((e) => e.textContent)
      .filter((text) => text).join(', '),
    reloaded: window.bodovkaOpened !== true,
    background: [style(document.documentElement), style(document.body)]};
})()`;

async function read(name) {
  const {result} = await send('Runtime.evaluate', {expression: readPage, returnByValue: true},
    pages.get(name));
  return result.value;
}

const commands = {
  async open(name, path, width, height) {
    const {targetId} = await send('Target.createTarget', {url: 'about:blank'});
    const {sessionId} = await send('Target.attachToTarget', {targetId, flatten: true});
    pages.set(name, sessionId);
    await send('Page.enable', {}, sessionId);
    await send('Emulation.setDeviceMetricsOverride',
      {width: Number(width), height: Number(height), deviceScaleFactor: 1, mobile: false}, sessionId);
    const loaded = nextEvent('Page.loadEventFired', sessionId);
    await send('Page.navigate', {url: base + path}, sessionId);
    await loaded;
    await send('Runtime.evaluate', {expression: 'window.bodovkaOpened = true'}, sessionId);
    return `opened ${name}`;
  },
  async read(name) {
    return `shown ${name} ${JSON.stringify(await read(name))}`;
  },
  async wait(name, field, ...rest) {
    const ms = rest.pop();
    const value = rest.join(' ');
    const until = Date.now() + Number(ms);
    for (;;) {
      const shown = await read(name);
      if (String(shown[field]) === value) {
        return `shown ${name} ${JSON.stringify(shown)}`;
      }
      if (Date.now() > until) {
        return `timeout ${name} ${JSON.stringify(shown)}`;
      }
      await new Promise((resolve) => setTimeout(resolve, 25));
    }
  },
  async shot(name, file) {
    const sessionId = pages.get(name);
    await send('Emulation.setDefaultBackgroundColorOverride',
      {color: {r: 0, g: 0, b: 0, a: 0}}, sessionId);
    const {data} = await send('Page.captureScreenshot', {format: 'png'}, sessionId);
    writeFileSync(file, Buffer.from(data, 'base64'));
    return `saved ${file}`;
  },
};

let quitting = false;
chromium.on('exit', () => {
  if (!quitting) {
    console.log('error chromium ended');
  }
  process.exit(quitting ? 0 : 1);
});

function finish() {
  quitting = true;
  send('Browser.close').catch(() => chromium.kill());
}
const lines = createInterface({input: process.stdin});
let queue = Promise.resolve();
lines.on('line', (line) => {
  const [command, ...args] = line.trim().split(/\s+/);
  queue = queue.then(async () => {
    if (command === 'quit') {
      finish();
      return;
    }
    try {
      console.log(commands[command] ? await commands[command](...args) : `unknown ${command}`);
    } catch (error) {
      console.log(`error ${error.message}`);
    }
  });
});
lines.on('close', () => queue.then(finish));
