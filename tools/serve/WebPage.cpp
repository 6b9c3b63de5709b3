#include "serve/WebPage.h"

namespace serve {

const char* const WebPage = R"html(<!DOCTYPE html>
<html lang="ru">
<head>
<meta charset="utf-8">
<title>Voltcheck</title>
<style>
  body { background: #202020; color: #d0d0d0; font-family: sans-serif; margin: 12px; }
  h1 { font-size: 16px; font-weight: normal; margin: 0 0 8px 0; }
  .module { border: 1px solid #606060; margin: 0 0 12px 0; padding: 8px; display: inline-block; vertical-align: top; }
  .module.stale .field { color: #606060; }
  .module.stale .status { color: #ff8000; }
  .title { font-size: 14px; margin-bottom: 6px; }
  .status { font-size: 12px; margin-left: 8px; }
  .channel { display: flex; align-items: center; margin: 4px 0; }
  .name { width: 70px; font-size: 13px; }
  .field { background: #000000; color: #00ff00; font-family: monospace; font-size: 28px; width: 190px;
           text-align: right; padding: 2px 8px; margin-right: 4px; }
  .field.overload { color: #ff0000; }
  .field.off { color: #606060; }
  .unit { width: 40px; font-size: 13px; }
  .lamp { width: 16px; height: 16px; border-radius: 8px; background: #400000; border: 1px solid #808080; margin-left: 8px; }
  .lamp.on { background: #ff0000; }
</style>
</head>
<body>
<h1>Voltcheck</h1>
<div id="modules"></div>
<script>
"use strict";
const panels = {};
function key(m) { return m.crate + "-" + m.slot; }
function make(tag, cls, text) {
  const e = document.createElement(tag);
  if (cls) e.className = cls;
  if (text !== undefined) e.textContent = text;
  return e;
}
function panelOf(m) {
  const k = key(m);
  if (panels[k]) return panels[k];
  const root = make("div", "module");
  root.id = "module-" + k;
  const title = make("div", "title");
  const name = make("span", "", m.crate + ":" + m.slot);
  const status = make("span", "status");
  status.id = "status-" + k;
  title.append(name, status);
  root.append(title);
  const channels = [];
  for (let c = 1; c <= 4; ++c) {
    const row = make("div", "channel");
    const label = make("span", "name", "Канал " + c);
    const value = make("span", "field off", "--------");
    value.id = "value-" + k + "-" + c;
    const vunit = make("span", "unit", "мВ");
    const freq = make("span", "field off", "--------");
    freq.id = "freq-" + k + "-" + c;
    const funit = make("span", "unit", "кГц");
    const lamp = make("span", "lamp");
    lamp.id = "lamp-" + k + "-" + c;
    row.append(label, value, vunit, freq, funit, lamp);
    root.append(row);
    channels.push({value, freq, lamp});
  }
  document.getElementById("modules").append(root);
  panels[k] = {root, name, status, channels};
  return panels[k];
}
function show(m) {
  const p = panelOf(m);
  p.name.textContent = m.crate + ":" + m.slot + (m.module ? "  ZEB44 " + m.module : "");
  p.root.classList.toggle("stale", !m.connected);
  p.root.dataset.frame = m.frame === null ? "" : String(m.frame);
  const state = m.state === "halted" ? "остановлен" : m.state === "opening" ? "подключение" : "нет связи";
  p.status.textContent = m.connected ? "" : (state + (m.message ? ": " + m.message : ""));
  for (let c = 1; c <= 4; ++c) {
    const ch = p.channels[c - 1];
    const d = m.display[String(c)];
    const on = d !== undefined && d.kind !== "off";
    const overload = on && d.overload;
    ch.value.textContent = on ? d.value : "--------";
    ch.freq.textContent = on ? d.frequency : "--------";
    ch.value.className = "field" + (on ? "" : " off") + (overload ? " overload" : "");
    ch.freq.className = "field" + (on && d.kind === "ac" ? "" : " off") + (overload && d.kind === "ac" ? " overload" : "");
    ch.lamp.className = "lamp" + (overload ? " on" : "");
  }
}
const stream = new EventSource("/api/v1/stream");
function handle(event) { show(JSON.parse(event.data)); }
stream.addEventListener("frame", handle);
stream.addEventListener("status", handle);
</script>
</body>
</html>
)html";

}  // namespace serve
