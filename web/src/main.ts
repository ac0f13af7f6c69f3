// The page: Function Setting lists, the channel grid with in-place editing, files, transfers and backups.
// Every rule, text and byte comes from the core in WebAssembly.
import createCore, { Core, Message, PlanEditor, Told } from "pm514rx-core";
import { listBackups, storeBackup } from "./backups";
import { ask, choose, Progress } from "./dialogs";
import { download, fileName, forget, openFile, saveFile } from "./files";
import { SerialLike, StreamLink, VirtualSerialPort } from "./link";

const kRows = 80;
const kCols = 7;
const enum Kind { None, Text, Tone, Busy, Scan, Power }
const enum Move { Right, NextRow, Tab }
const kStageCaptions = [" - reading the radio for the backup", "", " - reading the radio back to verify"];
const kUnsupported =
  "This browser has no Web Serial: Read From Radio and Write To Radio with a cable need Chrome, Edge or Opera " +
  "on Windows, macOS, Linux or ChromeOS, or a recent Firefox on the desktop. Files open, edit and save here, " +
  "and the virtual radio works in every browser.";

const $ = <T extends HTMLElement>(id: string) => document.getElementById(id) as T;
const params = new URLSearchParams(location.search);
let core: Core;
let editor: PlanEditor;
let cells: HTMLTableCellElement[][] = [];
let active = { row: 1, col: 1 };
let editing: { row: number; col: number; kind: Kind; field: HTMLInputElement | HTMLSelectElement } | null = null;
let virtualPort: VirtualSerialPort | null = null;
let serialPort: SerialLike | null = null;
let lastBackup: Uint8Array | null = null;
const progress = new Progress();

async function showAll(messages: Message[]) {
  for (const m of messages) await ask(m);
}

function status(text: string) { $("status").textContent = text; }

// ---- grid -------------------------------------------------------------------------------------------

function buildGrid() {
  const grid = $<HTMLTableElement>("grid");
  const head = grid.createTHead().insertRow();
  core.headings().slice(0, kCols + 1).forEach((h) => {
    const th = head.appendChild(document.createElement("th"));
    th.setAttribute("role", "columnheader");
    th.textContent = h;
  });
  const body = grid.createTBody();
  cells = [[]];
  for (let r = 1; r <= kRows; r++) {
    const tr = body.insertRow();
    const th = tr.appendChild(document.createElement("th"));
    th.setAttribute("role", "rowheader");
    th.textContent = editor.text(r, 0);
    const row: HTMLTableCellElement[] = [th];
    for (let c = 1; c <= kCols; c++) {
      const td = tr.insertCell();
      td.setAttribute("role", "gridcell");
      td.tabIndex = -1;
      td.dataset.row = String(r);
      td.dataset.col = String(c);
      row.push(td);
    }
    cells.push(row);
  }
  body.addEventListener("click", (e) => {
    const td = (e.target as HTMLElement).closest("td");
    if (td && !editing) focusCell(+td.dataset.row!, +td.dataset.col!);
  });
  body.addEventListener("dblclick", (e) => {
    const td = (e.target as HTMLElement).closest("td");
    if (td && !editing) openEditor(+td.dataset.row!, +td.dataset.col!);
  });
  body.addEventListener("keydown", onGridKey);
  focusCell(1, 1, false);
}

function refresh() {
  for (let r = 1; r <= kRows; r++) {
    for (let c = 1; c <= kCols; c++) {
      if (editing && editing.row === r && editing.col === c) continue;
      const text = editor.text(r, c);
      if (cells[r][c].textContent !== text) cells[r][c].textContent = text;
    }
  }
  document.querySelectorAll<HTMLSelectElement>("#settings select").forEach((s) => {
    s.selectedIndex = editor.selected(+s.dataset.setting!);
  });
  $<HTMLButtonElement>("cmd-undo").disabled = !editor.canUndo();
  $<HTMLButtonElement>("cmd-redo").disabled = !editor.canRedo();
}

function focusCell(row: number, col: number, take = true) {
  cells[active.row][active.col].tabIndex = -1;
  cells[active.row][active.col].removeAttribute("aria-selected");
  active = { row, col };
  const td = cells[row][col];
  td.tabIndex = 0;
  td.setAttribute("aria-selected", "true");
  if (take) td.focus();
}

function onGridKey(e: KeyboardEvent) {
  if (editing) return;
  const { row, col } = active;
  const moves: Record<string, [number, number]> = {
    ArrowUp: [-1, 0], ArrowDown: [1, 0], ArrowLeft: [0, -1], ArrowRight: [0, 1],
    PageUp: [-10, 0], PageDown: [10, 0], Home: [0, -kCols], End: [0, kCols],
  };
  if (moves[e.key]) {
    e.preventDefault();
    const [dr, dc] = moves[e.key];
    focusCell(Math.min(kRows, Math.max(1, row + dr)), Math.min(kCols, Math.max(1, col + dc)));
  } else if (e.key === "Enter") {
    e.preventDefault();
    void step(editor.enter(row, col, 0, ""), row, col);
  } else if (e.key === "F2" || e.key === " ") {
    e.preventDefault();
    openEditor(row, col);
  } else if (e.key.length === 1 && !e.ctrlKey && !e.metaKey && !e.altKey && core.editorFor(col) === Kind.Text) {
    e.preventDefault();
    openEditor(row, col, e.key);
  }
}

function openEditor(row: number, col: number, typed?: string) {
  focusCell(row, col, false);
  const kind = core.editorFor(col) as Kind;
  if (kind === Kind.None) return;
  const td = cells[row][col];
  const text = editor.text(row, col);
  let field: HTMLInputElement | HTMLSelectElement;
  if (kind === Kind.Text) {
    field = document.createElement("input");
    field.value = typed ?? text;
  } else {
    field = document.createElement("select");
    for (const entry of core.entriesOf(kind)) field.add(new Option(entry, entry));
    field.selectedIndex = core.selectionFor(kind, text);
  }
  field.setAttribute("aria-label", `${core.headings()[col]} of channel ${row}`);
  editing = { row, col, kind, field };
  td.textContent = "";
  td.appendChild(field);
  field.addEventListener("keydown", (e) => void onEditorKey(e as KeyboardEvent));
  field.addEventListener("blur", () => void closeEditor(true));
  field.focus();
}

/** Closes the open editor; a commit applies the value with the rules of leaving the cell. */
async function closeEditor(commit: boolean) {
  const open = editing;
  if (!open) return;
  editing = null;
  const value = open.field.value;
  open.field.remove();
  const messages = commit ? editor.commit(open.row, open.col, value) : [];
  refresh();
  if (!commit) cells[open.row][open.col].textContent = editor.text(open.row, open.col);
  await showAll(messages);
}

async function onEditorKey(e: KeyboardEvent) {
  const open = editing;
  if (!open) return;
  if (e.key === "Escape") {
    e.preventDefault();
    await closeEditor(false);
    focusCell(open.row, open.col);
  } else if (e.key === "Enter") {
    e.preventDefault();
    editing = null;
    const value = open.field.value;
    open.field.remove();
    const focus = open.kind === Kind.Text ? 1 : open.kind === Kind.Tone ? 2 : open.kind === Kind.Power ? 4 : 3;
    const result = editor.enter(open.row, open.col, focus, value);
    refresh();
    await showAll(result.messages);
    if (result.stopped) {
      openEditor(open.row, open.col, "");
      return;
    }
    await step(result, open.row, open.col);
  }
}

async function step(result: { move: number; openNext: boolean }, row: number, col: number) {
  if (result.move === Move.Tab) {
    $("settings").querySelector("select")?.focus();
    return;
  }
  if (result.move === Move.Right) col = Math.min(kCols, col + 1);
  else if (row < kRows) { row += 1; col = 1; }
  focusCell(row, col);
  if (result.openNext) openEditor(row, col);
}

// ---- settings ---------------------------------------------------------------------------------------

function buildSettings() {
  const panel = $("settings");
  core.settingInfos().forEach((info, i) => {
    if (!info.visible) return;
    const label = panel.appendChild(document.createElement("label"));
    label.append(info.label, " ");
    const select = label.appendChild(document.createElement("select"));
    select.dataset.setting = String(i);
    info.entries.forEach((e) => select.add(new Option(e, e)));
    select.onchange = async () => {
      if (i === 0) {
        const band = select.selectedIndex;
        select.selectedIndex = editor.selected(0);
        if ((await ask(core.bandChangeMessage())) === 0) editor.changeBand(band);
      } else {
        editor.select(i, select.selectedIndex);
      }
      refresh();
    };
  });
}

// ---- files ------------------------------------------------------------------------------------------

async function onOpen() {
  const bytes = await openFile();
  if (!bytes) return;
  const error = editor.load(bytes, false);
  if (error) await choose(document.title, error, ["OK"]);
  refresh();
  if (!error) status(fileName);
}

// ---- transfers --------------------------------------------------------------------------------------

/** The virtual radio of this page: the demonstration plan, faults from the address (?fault=KIND@BLOCK, ?silent). */
function makeVirtualPort(): VirtualSerialPort {
  const radio = new core.PageRadio(params.has("silent"));
  for (const f of params.getAll("fault")) if (!radio.addFault(f)) status(`Unknown fault ignored: ${f}`);
  return new VirtualSerialPort(radio, params.has("realtime"));
}

async function choosePort(): Promise<SerialLike | null> {
  if ($<HTMLSelectElement>("port").value === "virtual") return (virtualPort ??= makeVirtualPort());
  const serial = (navigator as unknown as { serial?: { getPorts(): Promise<SerialLike[]>; requestPort(): Promise<SerialLike> } }).serial;
  if (!serial) return null;
  if (!serialPort) {
    try {
      serialPort = (await serial.getPorts())[0] ?? (await serial.requestPort());
    } catch {
      return null; // no port chosen
    }
  }
  return serialPort;
}

function setBusy(busy: boolean) {
  document.querySelectorAll<HTMLButtonElement>("#commands button").forEach((b) => (b.disabled = busy));
  if (!busy) refresh();
}

async function transfer(caption: string, run: () => Promise<Told | null>): Promise<Told | null> {
  const port = await choosePort();
  if (!port) return null;
  (globalThis as unknown as { pmLink: StreamLink }).pmLink = new StreamLink(port);
  status("");
  setBusy(true);
  progress.open(caption);
  try {
    return await run();
  } catch (e) {
    status(`The transfer stopped: ${e}`);
    return null;
  } finally {
    progress.close();
    setBusy(false);
  }
}

/** The box after a transfer that went wrong; 0 Write Again, 1 Restore Backup, -1 nothing more. */
async function tellOutcome(told: Told, backupName: string | null): Promise<number> {
  status(told.line);
  if (!told.wentWrong || told.openFailed) return -1;
  const detail: string[] = [];
  if (told.cause) detail.push(`Cause: ${told.cause}`);
  if (told.mismatch?.length) detail.push("Sent -> in the radio:", ...told.mismatch.slice(0, 12).map((l) => `  ${l}`));
  if (backupName) detail.push(`The radio's previous memory is kept in the browser's backups as ${backupName}`);
  const text = [told.line, ...detail].join("\n");
  if (!told.radioUnsure) {
    await choose(document.title, text, ["Close"]);
    return -1;
  }
  const buttons = backupName ? ["Write Again", "Restore Backup", "Close"] : ["Write Again", "Close"];
  const pressed = await choose(document.title, text, buttons);
  return pressed === buttons.length - 1 ? -1 : pressed;
}

async function onRead() {
  const told = await transfer(captions.read, () => core.readRadio(editor));
  if (!told) return;
  refresh();
  await tellOutcome(told, null);
}

async function onWrite(restore: Uint8Array | null = null) {
  const backup = !restore && $<HTMLInputElement>("backup").checked;
  const verify = $<HTMLInputElement>("verify").checked;
  const told = await transfer(captions.write + (restore ? " - restoring the backup" : ""), () =>
    restore ? core.restoreBackup(restore, verify) : core.writeRadio(editor, backup, verify));
  if (!told) return;
  let backupName: string | null = null;
  if (told.backupName && told.backupBytes) {
    backupName = told.backupName;
    lastBackup = told.backupBytes.slice();
    await storeBackup({ name: backupName, bytes: lastBackup, when: Date.now() });
  }
  const choice = await tellOutcome(told, restore ? null : backupName ?? null);
  if (choice === 0) await onWrite(restore);
  else if (choice === 1 && lastBackup) await onWrite(lastBackup);
}

async function onBackups() {
  const dialog = $<HTMLDialogElement>("backups");
  const list = $("backup-list");
  list.textContent = "";
  const all = await listBackups();
  if (!all.length) list.textContent = "No backups yet: Write To Radio keeps one of the radio's memory before writing.";
  for (const b of all) {
    const li = list.appendChild(document.createElement("li"));
    li.append(`${b.name} `);
    const save = li.appendChild(document.createElement("button"));
    save.textContent = "Download";
    save.setAttribute("aria-label", `Download ${b.name}`);
    save.onclick = () => download(b.bytes, b.name);
    const restore = li.appendChild(document.createElement("button"));
    restore.textContent = "Restore Backup";
    restore.setAttribute("aria-label", `Restore Backup ${b.name}`);
    restore.onclick = () => { dialog.close(); void onWrite(b.bytes); };
  }
  dialog.showModal();
}

let captions = { read: "", write: "" };

// ---- start ------------------------------------------------------------------------------------------

async function start() {
  core = await createCore();
  editor = new core.PlanEditor();
  captions = core.captions();
  buildSettings();
  buildGrid();
  refresh();
  (globalThis as unknown as { pmHost: object }).pmHost = {
    status: (t: string) => progress.status(t),
    progress: (p: number) => progress.progress(p),
    block: () => {},
    stage: (s: number) => progress.caption(captions.write + kStageCaptions[s]),
    cancelled: () => progress.cancelRequested,
    ask: (text: string, caption: string, buttons: number, icon: number) => ask({ text, caption, buttons, icon }),
  };
  const commands: Record<string, () => unknown> = {
    "cmd-new": () => { editor.newPlan(); forget(); refresh(); },
    "cmd-open": onOpen,
    "cmd-save": () => saveFile(editor.bytes().slice(), false),
    "cmd-save-as": () => saveFile(editor.bytes().slice(), true),
    "cmd-undo": () => { editor.undo(); refresh(); },
    "cmd-redo": () => { editor.redo(); refresh(); },
    "cmd-read": onRead,
    "cmd-write": () => onWrite(),
    "cmd-backups": onBackups,
  };
  for (const [id, run] of Object.entries(commands)) $(id).onclick = () => void run();
  $("backups-close").onclick = () => $<HTMLDialogElement>("backups").close();
  document.addEventListener("keydown", (e) => {
    if (!(e.ctrlKey || e.metaKey) || editing || document.querySelector("dialog[open]")) return;
    const key = e.key.toLowerCase();
    const id = key === "z" ? "cmd-undo" : key === "y" ? "cmd-redo" : key === "s" ? "cmd-save" : key === "o" ? "cmd-open" : "";
    if (id) { e.preventDefault(); $(id).click(); }
  });
  if (!("serial" in navigator)) {
    $("notice").textContent = kUnsupported;
    $("notice").hidden = false;
    const port = $<HTMLSelectElement>("port");
    port.options[0].disabled = true;
    port.value = "virtual";
  }
  if (params.has("fault") || params.has("silent")) $<HTMLSelectElement>("port").value = "virtual";
  Object.assign(window, { pm: { core, editor, virtualPort: () => (virtualPort ??= makeVirtualPort()) } });
  document.body.dataset.ready = String(performance.now());
}

void start();
