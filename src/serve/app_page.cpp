// The page at "/": a form made from the parser's options, the design page of
// the current query drawn beside it (redrawn as the user types), the command
// line it stands for, and the downloads. Everything it needs is in it.
#include <algorithm>
#include <nlohmann/json.hpp>

#include "cli/command.h"
#include "serve/query.h"
#include "serve/serve.h"

namespace varnholt {
namespace {

// The options the page offers, as the parser lists them for design, each
// marked with whether analyse takes it too.
std::string options_json() {
  const auto analyse = command_options(CommandKind::Analyse);
  nlohmann::json list = nlohmann::json::array();
  for (const OptionInfo& o : command_options(CommandKind::Design)) {
    if (!served_option(o.name)) continue;
    const bool both = std::any_of(analyse.begin(), analyse.end(),
                                  [&](const OptionInfo& a) { return a.name == o.name; });
    list.push_back({{"name", o.name.substr(2)}, {"help", o.help}, {"form", option_form_name(o.form)},
                    {"group", o.group}, {"file", file_option(o.name)}, {"analyse", both}});
  }
  std::string text = list.dump();
  // Inside a script element no "</" may appear.
  for (std::size_t at = 0; (at = text.find("</", at)) != std::string::npos; at += 3) {
    text.replace(at, 2, "<\\/");
  }
  return text;
}

constexpr const char* kPage = R"PAGE(<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8">
<title>varnholt</title>
<meta name="viewport" content="width=device-width, initial-scale=1">
<style>
body{margin:0;font:14px/1.35 system-ui,sans-serif;color:#222;display:flex;height:100vh}
#side{width:380px;min-width:300px;overflow:auto;border-right:1px solid #ccc;padding:8px 12px;box-sizing:border-box}
#main{flex:1;display:flex;flex-direction:column;min-width:0}
#bar{padding:6px 10px;border-bottom:1px solid #ccc;background:#f6f6f6}
#command{font:12px ui-monospace,monospace;white-space:pre-wrap;word-break:break-all;background:#fff;border:1px solid #ddd;padding:4px;margin:4px 0}
#message{color:#a00;white-space:pre-wrap;min-height:1.2em}
#message.idle{color:#555}
#drawing{flex:1;border:0;width:100%}
fieldset{border:1px solid #ddd;margin:6px 0;padding:4px 8px}
legend{font-weight:600}
label{display:block;margin:5px 0 0}
label code{font-weight:600}
input[type=text]{width:100%;box-sizing:border-box;font:13px ui-monospace,monospace}
.help{color:#666;font-size:12px}
.bad input{border-color:#c00;background:#fff4f4}
.why{color:#a00;font-size:12px;display:block}
#downloads a{margin-right:8px}
#progress{display:none}
#progress.on{display:inline}
</style></head>
<body>
<div id="side">
<h2 style="margin:4px 0">varnholt</h2>
<fieldset><legend>Files</legend>
<label>Analyse a file (design file, circuit data or Touchstone)
<input type="file" id="circuit"></label>
<label>Files for <code>--compare</code> and <code>--part</code>
<input type="file" id="extra" multiple></label>
<button type="button" id="clear">Forget the files</button>
</fieldset>
<form id="form" autocomplete="off" onsubmit="return false"></form>
</div>
<div id="main">
<div id="bar">
<div id="command"></div>
<div id="downloads">Download:</div>
<div><span id="message" class="idle"></span>
<span id="progress"><span id="progress-text"></span> <button type="button" id="cancel">Cancel</button></span></div>
</div>
<iframe id="drawing" title="design"></iframe>
</div>
<script>
"use strict";
const OPTIONS = /*OPTIONS*/;
const OUTPUTS = ["report", "json", "spice", "touchstone", "csv", "html"];
const EXAMPLE = "type=lowpass&cutoff=100MHz&ripple=0.5&sections=5";
const form = document.getElementById("form");
const fields = {};
let drawn = 0;

function build() {
  const groups = {};
  for (const o of OPTIONS) {
    if (!groups[o.group]) {
      const set = document.createElement("fieldset");
      const legend = document.createElement("legend");
      legend.textContent = o.group;
      set.appendChild(legend);
      form.appendChild(set);
      groups[o.group] = set;
    }
    const label = document.createElement("label");
    label.id = "l-" + o.name;
    const code = document.createElement("code");
    code.textContent = "--" + o.name;
    const input = document.createElement("input");
    input.name = o.name;
    input.id = "f-" + o.name;
    input.type = o.form === "flag" ? "checkbox" : "text";
    if (o.form === "repeat") input.placeholder = "values separated by spaces";
    if (o.form === "optional") input.placeholder = "blank: not given";
    const help = document.createElement("span");
    help.className = "help";
    help.textContent = " " + o.help;
    const why = document.createElement("span");
    why.className = "why";
    why.id = "m-" + o.name;
    if (o.form === "flag") { label.append(input, " ", code, help); }
    else { label.append(code, help, input); }
    label.appendChild(why);
    groups[o.group].appendChild(label);
    input.addEventListener("input", changed);
    input.addEventListener("change", changed);
    fields[o.name] = {option: o, input: input, label: label};
  }
  for (const kind of OUTPUTS) {
    const a = document.createElement("a");
    a.id = "d-" + kind;
    a.textContent = kind;
    a.addEventListener("click", download);
    document.getElementById("downloads").appendChild(a);
  }
}

// The query's pairs in the address's order.
function pairs(search) {
  const out = [];
  for (const item of search.replace(/^\?/, "").split("&")) {
    if (!item) continue;
    const eq = item.indexOf("=");
    const dec = s => { try { return decodeURIComponent(s.replace(/\+/g, " ")); } catch (e) { return s; } };
    out.push(eq < 0 ? [dec(item), null] : [dec(item.slice(0, eq)), dec(item.slice(eq + 1))]);
  }
  return out;
}

function fill(search) {
  const repeats = {};
  for (const [name, value] of pairs(search)) {
    const f = fields[name];
    if (!f) continue;
    if (f.option.form === "flag") f.input.checked = !["0", "off", "false"].includes(value);
    else if (f.option.form === "repeat") (repeats[name] = repeats[name] || []).push(value || "");
    else f.input.value = value || "";
  }
  for (const name in repeats) fields[name].input.value = repeats[name].join(" ");
}

function circuitFile() { return document.getElementById("circuit").files[0] || null; }
function extraFiles() { return Array.from(document.getElementById("extra").files); }
function analysing() { return circuitFile() !== null; }

// The options given, in the form's order: [name, value or null for a flag].
function given(withFiles) {
  const out = [];
  for (const name in fields) {
    const {option, input} = fields[name];
    if (analysing() && !option.analyse) continue;
    if (option.file && !withFiles) continue;
    if (option.form === "flag") { if (input.checked) out.push([name, null]); continue; }
    const v = input.value.trim();
    if (!v) continue;
    if (option.form === "repeat") { for (const each of v.split(/\s+/)) out.push([name, each]); }
    else out.push([name, v]);
  }
  return out;
}

function encode(list) {
  return list.map(([n, v]) => encodeURIComponent(n) + (v === null ? "" : "=" + encodeURIComponent(v))).join("&");
}

function quoted(s) { return /^[A-Za-z0-9._,:=+\/%@^-]+$/.test(s) ? s : "'" + s.replace(/'/g, "'\\''") + "'"; }

function commandLine(list) {
  const words = ["varnholt", analysing() ? "analyse" : "design"];
  if (analysing()) words.push(quoted(circuitFile().name));
  for (const [n, v] of list) {
    if (v === null) words.push("--" + n);
    else if (v.startsWith("-")) words.push(quoted("--" + n + "=" + v));
    else words.push("--" + n, quoted(v));
  }
  return words.join(" ");
}

function uploads() {
  if (!analysing() && extraFiles().length === 0) return null;
  const body = new FormData();
  if (analysing()) body.append("circuit", circuitFile());
  for (const f of extraFiles()) body.append("file", f);
  return body;
}

let timer = null, sequence = 0, running = null, poll = null, asked = null;

// A field left (its change event) with the form as drawn last asks for
// nothing: leaving the field for the Cancel button must not start the work
// again.
function changed() {
  clearTimeout(timer);
  timer = setTimeout(() => { if (encode(given(true)) !== asked) redraw(); }, 300);
}

function randomId() {
  const a = new Uint8Array(12);
  crypto.getRandomValues(a);
  return Array.from(a, b => b.toString(16).padStart(2, "0")).join("");
}

function showMessage(text, idle) {
  const m = document.getElementById("message");
  m.textContent = text;
  m.className = idle ? "idle" : "";
}

function clearFieldMessages() {
  for (const name in fields) {
    fields[name].label.classList.remove("bad");
    document.getElementById("m-" + name).textContent = "";
  }
}

function showError(text) {
  clearFieldMessages();
  showMessage(text, false);
  const m = /^--([a-z0-9-]+)/.exec(text);
  if (m && fields[m[1]]) {
    fields[m[1]].label.classList.add("bad");
    document.getElementById("m-" + m[1]).textContent = text;
  }
}

function stopProgress() {
  clearInterval(poll);
  poll = null;
  document.getElementById("progress").className = "";
}

function startProgress(id) {
  stopProgress();
  poll = setInterval(async () => {
    const r = await fetch("/progress/" + id).catch(() => null);
    if (!r || !r.ok || running !== id) return;
    const p = await r.json();
    document.getElementById("progress").className = "on";
    document.getElementById("progress-text").textContent = p.what
      ? p.what + ": " + p.done + (p.total >= 0 ? " of " + p.total : " designs evaluated") : "working";
  }, 400);
}

function cancelRunning() {
  if (running) fetch("/cancel/" + running, {method: "POST"}).catch(() => {});
}

async function redraw() {
  const query = encode(given(true));
  asked = query;
  const address = encode(given(false));
  history.replaceState(null, "", address ? "/?" + address : "/");
  document.getElementById("command").textContent = commandLine(given(true));
  for (const kind of OUTPUTS) {
    const a = document.getElementById("d-" + kind);
    a.href = (analysing() ? "/analyse/" : "/download/") + kind + "?" + query;
    a.style.display = analysing() && kind === "json" ? "none" : "";
  }
  // A file analysed has its own design: the design's options are left out.
  for (const name in fields) fields[name].input.disabled = analysing() && !fields[name].option.analyse;
  const mine = ++sequence;
  cancelRunning();
  const id = randomId();
  running = id;
  startProgress(id);
  const body = uploads();
  let status = 0, text = "";
  try {
    const r = await fetch((analysing() ? "/analyse" : "/draw") + "?" + query,
                          {method: body ? "POST" : "GET", body: body, headers: {"X-Varnholt-Job": id}});
    status = r.status;
    text = await r.text();
  } catch (e) {
    text = "the server does not answer (" + e + ")";
  }
  if (mine !== sequence) return;
  running = null;
  stopProgress();
  if (status === 200) {
    clearFieldMessages();
    showMessage("", true);
    document.getElementById("drawing").srcdoc = text;
  } else {
    showError(text.trim());
  }
  document.body.dataset.answered = query;
  document.body.dataset.drawn = ++drawn;
}

// With uploads a download is a POST of them; without, the link itself.
async function download(event) {
  const body = uploads();
  if (!body) return;
  event.preventDefault();
  const r = await fetch(event.currentTarget.href, {method: "POST", body: body});
  if (!r.ok) { showError((await r.text()).trim()); return; }
  const name = /filename="([^"]*)"/.exec(r.headers.get("Content-Disposition") || "");
  const a = document.createElement("a");
  a.href = URL.createObjectURL(await r.blob());
  a.download = name ? name[1] : "download";
  a.click();
  setTimeout(() => URL.revokeObjectURL(a.href), 10000);
}

build();
fill(location.search.length > 1 ? location.search : EXAMPLE);
document.getElementById("cancel").addEventListener("click", cancelRunning);
document.getElementById("circuit").addEventListener("change", redraw);
document.getElementById("extra").addEventListener("change", () => {
  const files = extraFiles();
  const compare = fields["compare"];
  if (compare && !compare.input.value && files.length === 1) compare.input.value = files[0].name;
  redraw();
});
document.getElementById("clear").addEventListener("click", () => {
  document.getElementById("circuit").value = "";
  document.getElementById("extra").value = "";
  redraw();
});
redraw();
</script>
</body></html>
)PAGE";

}  // namespace

std::string app_page() {
  static const std::string page = [] {
    std::string text = kPage;
    const std::string mark = "/*OPTIONS*/";
    text.replace(text.find(mark), mark.size(), options_json());
    return text;
  }();
  return page;
}

}  // namespace varnholt
