"use strict";
// The page only mirrors the panel: every state message repaints it all, so pages stay in step,
// and only the user's own input sends anything back.

const $ = (id) => document.getElementById(id);
const TOGGLES = ["refh", "sla", "brm"];
const LISTS = ["current", "phase", "test"];
// The buttons that step the divider: by the slider's small or large change, in MHz at the step.
const STEPS = [
  ["step-down", -1, "step"], ["step-up", 1, "step"],
  ["page-down", -1, "page"], ["page-up", 1, "page"],
];
const RECONNECT_MS = 3000;

let socket = null;
let setup = null;
let state = null;
// The whole band last offered for a sweep: replaced while the field still shows it.
let offeredSweep = "";
// Where a refusal shows: beside the control whose request it answers.
let refusedAt = "refused";

function send(message, answeredAt = "refused") {
  $(refusedAt).textContent = "";
  refusedAt = answeredAt;
  if (socket?.readyState === WebSocket.OPEN) socket.send(JSON.stringify(message));
}

function tune(divider) {
  send({ do: "tune", divider });
}

function sendSpeed() {
  $("speed-value").textContent = $("speed").value;
  send({ do: "speed", value: Number($("speed").value) });
}

function setLimits(range, limits) {
  range.min = limits.min;
  range.max = limits.max;
  range.step = limits.step;
}

// A value set from a state would fight the thumb the user is dragging.
function setUnlessHeld(range, value) {
  if (!range.matches(":active")) range.value = value;
}

function onSetup(message) {
  setup = message;
  setLimits($("tuning"), message.divider);
  setLimits($("speed"), message.speed);
  for (const list of LISTS) {
    // Row -1 ("none chosen") shows as this empty row, which the user cannot pick.
    const none = new Option("", "-1");
    none.disabled = none.hidden = true;
    const rows = message.lists[list].map((text, row) => new Option(text, String(row)));
    $(list).replaceChildren(none, ...rows);
  }
  $("sweep-card").hidden = !message.sweep;
  // A restarted panel's: its last sweep, if any, comes next.
  $("sweep-result").hidden = true;
}

// Text written unchanged would still cost the browser a layout before the next message.
function show(id, text) {
  const element = $(id);
  if (element.textContent !== String(text)) element.textContent = text;
}

function onState(message) {
  state = message;
  show("frequency", message.frequency);
  // The reference of the last Word B sent sets the range, and the whole band a sweep offers.
  show("typed-range", message.range);
  for (const [id, sign, size] of STEPS) {
    const text = `${sign < 0 ? "−" : "+"}${message.stepsMhz[size]}`;
    const label = `${text} MHz`;
    show(id, text);
    if ($(id).getAttribute("aria-label") !== label) $(id).setAttribute("aria-label", label);
  }
  const typed = $("sweep-range");
  if (message.sweepRange && (!typed.value || typed.value === offeredSweep)) {
    typed.value = offeredSweep = message.sweepRange;
  }
  show("divider", message.divider);
  show("word-a", message.wordA);
  show("word-b", message.wordB);
  setUnlessHeld($("tuning"), message.divider);
  setUnlessHeld($("speed"), message.speed);
  show("speed-value", message.speed);
  for (const toggle of TOGGLES) show(`${toggle}-caption`, message[toggle]);
  for (const list of LISTS) $(list).value = String(message[list]);
  show("sweep-progress", message.sweep ?? "");
  show("sweep", message.sweep ? "Stop" : "Sweep");
  $("sweep-range").disabled = Boolean(message.sweep);
  show("status", message.status);
  $("status").title = message.statusDetail;
  $("status").classList.toggle("alert", message.statusAlert);
  $("panel").disabled = false;
  markTuned();
}

// The station tuned now, marked for screen readers and the eye alike.
function markTuned() {
  for (const station of document.querySelectorAll(".station")) {
    const tuned = String(Number(station.dataset.hz) === state?.hz);
    if (station.getAttribute("aria-current") !== tuned) station.setAttribute("aria-current", tuned);
  }
}

function button(text, label, className, action) {
  const element = document.createElement("button");
  element.type = "button";
  element.className = className;
  element.append(...text);
  if (label) element.setAttribute("aria-label", label);
  element.addEventListener("click", action);
  return element;
}

function stationRow({ name, mhz, hz }) {
  const refusedHere = "stations-refused";
  const mhzText = document.createElement("span");
  mhzText.className = "station-mhz";
  mhzText.textContent = `${mhz} MHz`;
  const tuneTo = button([name, mhzText], "", "station",
    () => send({ do: "tune station", name }, refusedHere));
  tuneTo.dataset.hz = hz;
  const rename = button(["✎"], `Rename ${name}`, "station-rename", () => {
    const to = prompt(`Rename “${name}” to`, name);
    if (to !== null && to.trim() !== name) send({ do: "rename station", name, to }, refusedHere);
  });
  const remove = button(["✕"], `Delete ${name}`, "station-delete", () => {
    if (confirm(`Delete “${name}”?`)) send({ do: "delete station", name }, refusedHere);
  });
  const item = document.createElement("li");
  item.append(tuneTo, rename, remove);
  return item;
}

function onStations({ stations }) {
  $("stations").replaceChildren(...stations.map(stationRow));
  $("stations-none").hidden = stations.length > 0;
  $("stations-card").hidden = false;
  // The name just saved is done with.
  if (stations.some((station) => station.name === $("station-name").value.trim())) {
    $("station-name").value = "";
  }
  markTuned();
}

function onRefused(message) {
  $(refusedAt).textContent = message.reason;
}

function onSweep(message) {
  $("sweep-summary").textContent = message.summary;
  $("sweep-notes").replaceChildren(...message.notes.map((note) => {
    const item = document.createElement("li");
    item.textContent = note;
    return item;
  }));
  // The number tells this sweep's files from the last one's.
  for (const file of ["csv", "svg"]) $(`sweep-${file}`).href = `/sweep.${file}?${message.number}`;
  $("sweep-plot").src = $("sweep-svg").href;
  $("sweep-result").hidden = false;
}

const HANDLERS = {
  setup: onSetup, state: onState, refused: onRefused, sweep: onSweep, stations: onStations,
};

// A socket refused before it opened may mean the session is gone (the box restarted): if the
// box now answers with its login page, show it.
function loginIfAsked() {
  fetch("/", { cache: "no-store" })
    .then((answer) => answer.text())
    .then((text) => { if (text.includes('id="password"')) location.reload(); })
    .catch(() => {});
}

function connect() {
  const scheme = location.protocol === "https:" ? "wss://" : "ws://";
  let opened = false;
  socket = new WebSocket(scheme + location.host + "/socket");
  socket.addEventListener("open", () => {
    opened = true;
    $("connection").textContent = "Connected to the panel";
    $("connection").classList.remove("lost");
  });
  socket.addEventListener("message", (event) => {
    const message = JSON.parse(event.data);
    HANDLERS[message.type]?.(message);
  });
  socket.addEventListener("close", () => {
    $("panel").disabled = true;
    $("connection").textContent = "Lost the panel, trying again…";
    $("connection").classList.add("lost");
    if (!opened) loginIfAsked();
    setTimeout(connect, RECONNECT_MS);
  });
}

// PageUp/PageDown move a slider by the setup's page, as the window's sliders do.
function pageKeys(range, limits, changed) {
  range.addEventListener("keydown", (event) => {
    const sign = { PageUp: 1, PageDown: -1 }[event.key];
    if (!sign) return;
    event.preventDefault();
    range.value = Number(range.value) + sign * limits().page;
    changed();
  });
}

for (const [id, sign, size] of STEPS) {
  $(id).addEventListener("click", () => tune(state.divider + sign * setup.divider[size]));
}
$("tuning").addEventListener("input", () => tune(Number($("tuning").value)));
pageKeys($("tuning"), () => setup.divider, () => tune(Number($("tuning").value)));
$("typed-form").addEventListener("submit", (event) => {
  event.preventDefault();
  send({ do: "frequency", mhz: $("typed").value.trim() });
});
for (const button of [...TOGGLES, "send"]) {
  $(button).addEventListener("click", () => send({ do: "press", button }));
}
for (const list of LISTS) {
  $(list).addEventListener("change", () => send({ do: "choose", list, row: Number($(list).value) }));
}
$("sweep-form").addEventListener("submit", (event) => {
  event.preventDefault();
  if (state.sweep) send({ do: "stop sweep" });
  else send({ do: "sweep", range: $("sweep-range").value.trim() }, "sweep-refused");
});
$("station-form").addEventListener("submit", (event) => {
  event.preventDefault();
  send({ do: "save station", name: $("station-name").value.trim() }, "stations-refused");
});
$("speed").addEventListener("input", sendSpeed);
pageKeys($("speed"), () => setup.speed, sendSpeed);

connect();
