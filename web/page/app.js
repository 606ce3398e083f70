// The live page: one card per meter, its curves, and one event stream for
// all meters. The stream's last event id lets a page that lost it (the
// recorder restarted, the network dropped) pick up where it stopped; a page
// whose events are no longer kept, or that meets a new run, loads the whole
// state again and keeps what it had before a gap.
"use strict";

const RED = "rgb(255, 0, 0)";
const BLUE = "rgb(0, 0, 255)";
const QUANTITIES = ["voltage", "current", "power", "resistance", "energy", "charge", "temperature"];
const STOP_WORDS = { cutoff: "the voltage stayed below the cutoff", duration: "its duration was reached",
                     signal: "the recorder was asked to stop" };

const page = {
  instance: null, // the recorder run the page follows
  lastId: "",     // the last event id taken, "instance.sequence"
  meters: [],     // by the feed's meter index
  source: null,
  watchdog: 0,
  lastEventAt: 0,
  delays: [],     // milliseconds from a row's hand-over to its event here
};

function text(n) { return n === null || n === undefined ? "" : String(n); }

function clockText(ms) {
  return new Date(ms).toLocaleTimeString([], { hour: "2-digit", minute: "2-digit", second: "2-digit", hour12: false });
}

function elapsedText(seconds) {
  const h = Math.floor(seconds / 3600), m = Math.floor(seconds / 60) % 60, s = seconds % 60;
  return `${h}:${String(m).padStart(2, "0")}:${String(s).padStart(2, "0")}`;
}

function setLink(state, words) {
  const link = document.getElementById("link");
  link.dataset.link = state;
  link.textContent = words;
}

function axisColour() { return getComputedStyle(document.body).color; }

function makeChart(element, data) {
  const stroke = () => axisColour();  // follows the system's light or dark setting
  const grid = { stroke: "rgba(128,128,128,0.25)", width: 1 };
  const opts = {
    width: Math.max(280, element.clientWidth), height: 260,
    scales: { x: { time: true }, V: { auto: true }, A: { auto: true } },
    cursor: { drag: { x: true, y: false } },
    series: [
      {},
      { label: "V", scale: "V", stroke: RED, width: 1.5, spanGaps: false, points: { show: false } },
      { label: "A", scale: "A", stroke: BLUE, width: 1.5, spanGaps: false, points: { show: false } },
    ],
    axes: [
      { stroke, grid },
      { scale: "V", stroke: RED, grid, label: "V" },
      { scale: "A", stroke: BLUE, side: 1, grid: { show: false }, label: "A" },
    ],
  };
  return new uPlot(opts, data, element);
}

// A meter's card, made once.
function meterCard(index, name) {
  const card = document.getElementById("card").content.firstElementChild.cloneNode(true);
  card.dataset.meter = name;
  card.querySelector(".name").textContent = name;
  document.getElementById("meters").appendChild(card);
  const meter = { index, name, card, x: [], v: [], a: [], chart: null, dirty: false, lastMs: 0 };
  meter.chart = makeChart(card.querySelector(".chart"), [meter.x, meter.v, meter.a]);
  return meter;
}

function showStatus(meter, s) {
  if (!s) return;
  const card = meter.card;
  s.r.forEach((value, i) => { card.querySelector(`[data-q="${QUANTITIES[i]}"]`).textContent = value; });
  const state = card.querySelector(".state");
  state.dataset.state = s.state;
  if (s.state === "recording") state.textContent = "recording";
  else if (s.state === "away") state.textContent = `away since ${clockText(s.awaySince)}`;
  else state.textContent = `stopped: ${STOP_WORDS[s.why] || s.why}`;
  const put = (key, value) => { card.querySelector(`[data-c="${key}"]`).textContent = value; };
  put("clock", s.clock);
  put("elapsed", elapsedText(s.elapsed));
  put("rows", text(s.rows));
  put("losses", text(s.losses));
  put("below", text(s.below));
  put("ah", s.ah.toFixed(4));
  put("wh", s.wh.toFixed(4));
}

function addPoint(meter, ms, volts, amps) {
  if (ms <= meter.lastMs) return;
  meter.lastMs = ms;
  meter.x.push(ms / 1000);
  meter.v.push(volts);
  meter.a.push(amps);
  meter.dirty = true;
}

// A break in the curve: between two runs of the recorder.
function addGap(meter) {
  if (meter.x.length === 0) return;
  addPoint(meter, meter.lastMs + 1, null, null);
}

function redraw() {
  for (const meter of page.meters) {
    if (!meter.dirty) continue;
    meter.dirty = false;
    meter.chart.setData([meter.x, meter.v, meter.a]);
  }
}

let redrawQueued = false;
function queueRedraw() {
  if (redrawQueued) return;
  redrawQueued = true;
  requestAnimationFrame(() => { redrawQueued = false; redraw(); });
}

// The whole state: every meter's status and curve since the recorder started.
async function loadSnapshot() {
  const started = performance.now();
  const response = await fetch("live.json", { cache: "no-store" });
  if (!response.ok) throw new Error(`live.json: ${response.status}`);
  const snap = await response.json();
  const fetched = performance.now();
  const newRun = page.instance !== null && page.instance !== snap.instance;
  snap.meters.forEach((m, index) => {
    let meter = page.meters[index];
    if (!meter || meter.name !== m.name) meter = page.meters[index] = meterCard(index, m.name);
    if (newRun) addGap(meter);
    const capacity = meter.card.querySelector(".capacity");
    capacity.hidden = m.cutoff === null;
    meter.card.querySelector('[data-c="cutoff"]').textContent = text(m.cutoff);
    meter.card.querySelector('[data-c="hold"]').textContent = text(m.hold);
    let seconds = m.t0;
    for (let i = 0; i < m.t.length; i++) {
      seconds += m.t[i];
      addPoint(meter, seconds * 1000, m.v[i], m.a[i]);
    }
    showStatus(meter, m.status);
  });
  redraw();
  await new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)));  // painted
  page.drawMs = performance.now() - started;
  page.fetchMs = fetched - started;
  page.instance = snap.instance;
  page.lastId = `${snap.instance}.${snap.seq}`;
}

function onTick(event) {
  page.lastEventAt = Date.now();
  const tick = JSON.parse(event.data);
  const meter = page.meters[tick.m];
  if (!meter) return;
  showStatus(meter, tick.s);
  if (tick.p) addPoint(meter, tick.p[0], tick.p[1], tick.p[2]);
  page.lastId = event.lastEventId;
  // How long rows take from their day file's writer to this page (the last 1000).
  page.delays.push(Date.now() - tick.at);
  if (page.delays.length > 1000) page.delays.shift();
  queueRedraw();
}

function openStream() {
  const source = new EventSource(`events?since=${encodeURIComponent(page.lastId)}`);
  page.source = source;
  page.lastEventAt = Date.now();
  source.onopen = () => setLink("live", "live");
  source.addEventListener("tick", onTick);
  source.addEventListener("reset", () => restart(true));
  source.onerror = () => restart(false);
}

// The stream ended or failed: try again in a second, loading the whole state
// first when the recorder said the page's last event is not kept.
function restart(reload) {
  if (page.source) page.source.close();
  page.source = null;
  setLink("reconnecting", "reconnecting…");
  setTimeout(() => connect(reload), reload ? 0 : 1000);
}

async function connect(reload) {
  try {
    if (reload) await loadSnapshot();
    openStream();
  } catch (error) {
    setLink("reconnecting", "reconnecting…");
    setTimeout(() => connect(true), 1000);
  }
}

// A stream that went quiet while meters record (a dropped Wi-Fi link keeps
// the socket open) is opened again.
setInterval(() => {
  const recording = page.meters.some((m) => m.card.querySelector(".state").dataset.state !== "stopped");
  if (page.source && recording && Date.now() - page.lastEventAt > 20000) restart(false);
}, 5000);

matchMedia("(prefers-color-scheme: dark)").addEventListener("change", () => {
  for (const meter of page.meters) meter.chart.redraw(false, true);
  if (lookBack.chart) lookBack.chart.redraw(false, true);
});

window.addEventListener("resize", () => {
  for (const meter of page.meters) {
    meter.chart.setSize({ width: Math.max(280, meter.card.querySelector(".chart").clientWidth), height: 260 });
  }
  if (lookBack.chart) {
    lookBack.chart.setSize({ width: Math.max(280, document.getElementById("lb-chart").clientWidth), height: 260 });
  }
});

// The look back: a meter's day files, and a span of them plotted (drag to
// zoom, double-click to zoom out) or downloaded as the export's CSV.
const lookBack = { chart: null, meters: [], rows: 0 };

function localInputText(seconds) {
  const d = new Date(seconds * 1000);
  const two = (n) => String(n).padStart(2, "0");
  return `${d.getFullYear()}-${two(d.getMonth() + 1)}-${two(d.getDate())}T${two(d.getHours())}:${two(d.getMinutes())}:${two(d.getSeconds())}`;
}

function spanQuery() {
  const q = new URLSearchParams({ meter: document.getElementById("lb-meter").value || "0" });
  const from = document.getElementById("lb-from").value, to = document.getElementById("lb-to").value;
  if (from) q.set("from", from);
  if (to) q.set("to", to);
  return q.toString();
}

function sizeText(bytes) {
  return bytes < 1024 ? `${bytes} B` : bytes < 1048576 ? `${(bytes / 1024).toFixed(1)} KB` : `${(bytes / 1048576).toFixed(1)} MB`;
}

function showFiles() {
  const index = Number(document.getElementById("lb-meter").value || 0);
  const body = document.querySelector("#lb-files tbody");
  body.replaceChildren();
  for (const file of (lookBack.meters[index] || { files: [] }).files) {
    const row = body.insertRow();
    row.insertCell().textContent = file.date;
    row.insertCell().textContent = String(file.rows);
    row.insertCell().textContent = sizeText(file.bytes);
    const link = document.createElement("a");
    link.href = `lookback/day?${new URLSearchParams({ meter: String(index), name: file.name })}`;
    link.textContent = file.name;
    link.download = file.name;
    row.insertCell().appendChild(link);
  }
  document.getElementById("lb-csv").href = `lookback/span.csv?${spanQuery()}`;
}

async function loadFiles() {
  const response = await fetch("lookback/files.json", { cache: "no-store" });
  if (!response.ok) return;
  lookBack.meters = (await response.json()).meters;
  const select = document.getElementById("lb-meter");
  if (select.options.length !== lookBack.meters.length) {
    select.replaceChildren(...lookBack.meters.map((m, i) => new Option(m.name, String(i))));
  }
  showFiles();
}

async function plotSpan() {
  const why = document.getElementById("lb-why");
  const response = await fetch(`lookback/span.json?${spanQuery()}`, { cache: "no-store" });
  if (!response.ok) {
    why.textContent = (await response.text()).trim();
    return;
  }
  const span = await response.json();
  why.textContent = span.notes.join(" ");
  lookBack.rows = span.t.filter((t, i) => span.v[i] !== null || span.a[i] !== null).length;
  const element = document.getElementById("lb-chart");
  if (lookBack.chart) lookBack.chart.destroy();
  lookBack.chart = makeChart(element, [span.t, span.v, span.a]);
  lookBack.span = span;
}

function startLookBack() {
  // This run by default, else the newest day.
  const first = page.meters.find((m) => m.x.length > 0);
  if (first && !document.getElementById("lb-from").value) {
    document.getElementById("lb-from").value = localInputText(Math.floor(first.x[0]));
  }
  for (const id of ["lb-meter", "lb-from", "lb-to"]) document.getElementById(id).addEventListener("change", showFiles);
  document.getElementById("lb-form").addEventListener("submit", (event) => { event.preventDefault(); plotSpan(); });
  loadFiles().then(plotSpan);
  setInterval(loadFiles, 60000);
}

connect(true).then(startLookBack);
