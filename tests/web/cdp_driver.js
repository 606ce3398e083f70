// Drives Debian's headless chromium for the page tests over the DevTools
// protocol on a pipe (no port, no downloaded browser). Reads one JSON command
// per line on stdin and answers one JSON line on stdout:
//   {"cmd":"goto","url":...}                 loads a page
//   {"cmd":"eval","expr":...}                the value of an expression (awaited)
//   {"cmd":"shot","path":...}                a PNG of the viewport
//   {"cmd":"size","width":W,"height":H}      the viewport
//   {"cmd":"headers","headers":{...}}        extra request headers (a password)
//   {"cmd":"scheme","value":"dark"|"light"}  the system's colour scheme
// Answers {"ok":true,"value":...} or {"ok":false,"error":...}.
"use strict";
const { spawn } = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");
const readline = require("readline");

const profile = fs.mkdtempSync(path.join(os.tmpdir(), "kzrt-chromium-"));
const browser = spawn(process.env.KZRT_CHROMIUM || "chromium", [
  "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
  "--disable-background-networking", "--disable-component-update", "--disable-sync",
  "--hide-scrollbars", "--mute-audio", `--user-data-dir=${profile}`, "--remote-debugging-pipe", "about:blank",
], { stdio: ["ignore", "ignore", "ignore", "pipe", "pipe"], detached: true });

const toBrowser = browser.stdio[3];
const fromBrowser = browser.stdio[4];
let nextId = 1;
const waiting = new Map();
let partial = Buffer.alloc(0);

fromBrowser.on("data", (chunk) => {
  partial = Buffer.concat([partial, chunk]);
  for (let end = partial.indexOf(0); end >= 0; end = partial.indexOf(0)) {
    const message = JSON.parse(partial.subarray(0, end).toString("utf8"));
    partial = partial.subarray(end + 1);
    if (message.id && waiting.has(message.id)) {
      const { resolve, reject } = waiting.get(message.id);
      waiting.delete(message.id);
      if (message.error) reject(new Error(message.error.message));
      else resolve(message.result);
    }
  }
});

function send(method, params = {}, sessionId) {
  const id = nextId++;
  toBrowser.write(JSON.stringify({ id, method, params, sessionId }) + "\0");
  return new Promise((resolve, reject) => waiting.set(id, { resolve, reject }));
}

let session = null;
const page = (method, params) => send(method, params, session);

async function open() {
  const { targetId } = await send("Target.createTarget", { url: "about:blank" });
  ({ sessionId: session } = await send("Target.attachToTarget", { targetId, flatten: true }));
  await page("Page.enable");
  await page("Runtime.enable");
  await page("Network.enable");
  await page("Emulation.setDeviceMetricsOverride", { width: 1100, height: 900, deviceScaleFactor: 1, mobile: false });
}

const commands = {
  async goto({ url }) {
    await page("Page.navigate", { url });
    return true;
  },
  async eval({ expr }) {
    const result = await page("Runtime.evaluate", { expression: expr, awaitPromise: true, returnByValue: true });
    if (result.exceptionDetails) throw new Error(result.exceptionDetails.exception?.description || "exception");
    return result.result.value;
  },
  async shot({ path: file }) {
    const { data } = await page("Page.captureScreenshot", { format: "png" });
    fs.writeFileSync(file, Buffer.from(data, "base64"));
    return file;
  },
  async size({ width, height }) {
    await page("Emulation.setDeviceMetricsOverride", { width, height, deviceScaleFactor: 1, mobile: width < 600 });
    return true;
  },
  async headers({ headers }) {
    await page("Network.setExtraHTTPHeaders", { headers });
    return true;
  },
  async scheme({ value }) {
    await page("Emulation.setEmulatedMedia", { features: [{ name: "prefers-color-scheme", value }] });
    return true;
  },
};

let exitCode = 3;  // the browser went away by itself
function finish(code) {
  exitCode = code;
  // The whole group: the renderers and helpers too, which write the profile.
  try { process.kill(-browser.pid, "SIGKILL"); } catch (e) { /* gone already */ }
  if (browser.exitCode !== null || browser.signalCode !== null) browserGone();
}
function browserGone() {
  try { process.kill(-browser.pid, "SIGKILL"); } catch (e) { /* gone already */ }
  setTimeout(() => {
    try { fs.rmSync(profile, { recursive: true, force: true, maxRetries: 5, retryDelay: 100 }); } catch (e) { /* left in tmp */ }
    process.exit(exitCode);
  }, 100);
}

browser.on("exit", browserGone);
process.on("SIGTERM", () => finish(0));

open().then(() => {
  process.stdout.write(JSON.stringify({ ok: true, value: "ready" }) + "\n");
  const lines = readline.createInterface({ input: process.stdin });
  let queue = Promise.resolve();
  lines.on("line", (line) => {
    queue = queue.then(async () => {
      let answer;
      try {
        const command = JSON.parse(line);
        answer = { ok: true, value: await commands[command.cmd](command) };
      } catch (error) {
        answer = { ok: false, error: String(error.message || error) };
      }
      process.stdout.write(JSON.stringify(answer) + "\n");
    });
  });
  lines.on("close", () => queue.then(() => finish(0)));
}, (error) => {
  process.stderr.write(`cdp_driver: ${error.message}\n`);
  finish(2);
});
