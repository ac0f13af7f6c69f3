// The page in headless chromium, driven by the names a screen reader hears, against the virtual radio
// behind a fake navigator.serial.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import { mkdtempSync, readFileSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { fakeSerial, startBrowser, startSite } from "./browser.mjs";

const build = process.env.PM_BUILD ?? "build";
const cli = join(build, "cli", "pm514rx-cli");
let site, chromium;
before(async () => { site = await startSite(join(build, "web")); chromium = await startBrowser(); });
after(async () => { await chromium.close(); site.close(); });

// One page at a time: chromium throttles the timers of a page in the background.
let current;
async function newPage() {
  await current?.close();
  current = await chromium.context.newPage();
  await current.bringToFront();
  return current;
}
async function open(query = "") {
  const page = await newPage();
  page.on("pageerror", (e) => { throw e; });
  await page.addInitScript(fakeSerial);
  await page.goto(site.url + query);
  await page.waitForSelector("body[data-ready]");
  return page;
}
const cell = (page, row, col) => page.getByRole("row").nth(row).getByRole("gridcell").nth(col - 1);
// The status line is emptied when a transfer starts and says how it ended.
const done = (page) => page.waitForFunction(() => !document.getElementById("progress").open &&
  document.querySelector("[role=status]").textContent, null, { timeout: 120000 });
const status = (page) => page.getByRole("status").textContent();
const radioMemory = (page) => page.evaluate(() => Array.from(window.pm.virtualPort().radio.memory()));
async function saved(page) {
  const [download] = await Promise.all([page.waitForEvent("download"), page.getByRole("button", { name: "Save", exact: true }).click()]);
  return readFileSync(await download.path());
}

test("read, edit with the Enter walk, save as the desktop saves, write with backup and verify", async () => {
  const page = await open();
  await page.getByRole("button", { name: "Read From Radio" }).click();
  await done(page);
  assert.match(await status(page), /^Read complete/);
  assert.equal(await cell(page, 1, 1).textContent(), "145.50000");

  // Channel 9 is empty: typing starts the editor, Enter writes the new channel and walks right.
  await cell(page, 9, 1).click();
  await page.keyboard.type("146.5");
  await page.keyboard.press("Enter");
  assert.equal(await cell(page, 9, 1).textContent(), "146.50000");
  assert.equal(await page.evaluate(() => document.activeElement.closest("td")?.dataset.col), "2");
  await page.keyboard.press("Escape");
  // Leaving the cell commits with the same rules: an out-of-range value is refused with the desktop's box.
  await cell(page, 2, 2).dblclick();
  await page.keyboard.press("Control+A");
  await page.keyboard.type("500");
  await cell(page, 3, 3).click();
  const box = page.getByRole("alertdialog");
  await box.getByRole("button", { name: "OK" }).click();
  assert.equal(await cell(page, 2, 2).textContent(), "");

  const dir = mkdtempSync(join(tmpdir(), "pm514rx-web-"));
  writeFileSync(join(dir, "demo.sin"), await page.evaluate(() => Array.from(window.pm.core.demoBytes())).then(Buffer.from));
  const made = spawnSync(cli, ["edit", join(dir, "demo.sin"), "-o", join(dir, "desktop.sin"), "--set", "9:rx=146.5", "--set", "2:tx=500"], { stdio: "ignore" });
  assert.equal(made.status, 1, "the CLI refuses 2:tx=500 as the page does, and saves the rest");
  const page_bytes = await saved(page);
  assert.deepEqual(page_bytes, readFileSync(join(dir, "desktop.sin")));

  await page.getByRole("button", { name: "Write To Radio" }).click();
  await done(page);
  assert.equal(await status(page), "Write complete and verified: the radio holds what was sent.");
  assert.deepEqual(Buffer.from(await radioMemory(page)).subarray(0, 0x7d8), page_bytes.subarray(0, 0x7d8));
  await page.getByRole("button", { name: "Undo" }).click();
  await page.getByRole("button", { name: "Backups" }).click();
  // The list fills once IndexedDB answers: wait for it before counting.
  const restore = page.getByRole("button", { name: /^Restore Backup radio-/ });
  await restore.first().waitFor();
  assert.equal(await restore.count(), 1);
});

test("cancel at block 40 leaves the document as it was", async () => {
  const page = await open();
  await page.getByRole("button", { name: "Read From Radio" }).click();
  await page.waitForFunction(() => document.getElementById("progress-bar").value >= 40);
  await page.getByRole("button", { name: "Cancel" }).click();
  await done(page);
  assert.equal(await status(page), "Read cancelled: nothing changed.");
  assert.equal(await cell(page, 1, 1).textContent(), "");
});

test("a silent radio ends with the communication error, Retry and Cancel", async () => {
  const page = await open("?silent");
  await page.getByRole("button", { name: "Read From Radio" }).click();
  const box = page.getByRole("alertdialog");
  await box.waitFor({ timeout: 30000 });
  assert.match(await box.textContent(), /Communication Error/);
  await box.getByRole("button", { name: "Cancel" }).click();
  await done(page);
  assert.equal(await status(page), "Read failed: nothing changed.");
});

test("a failed write offers Write Again and Restore Backup, which puts the radio back byte for byte", async () => {
  const page = await open("?fault=write-no-ack@100");
  const before = await radioMemory(page);
  await page.getByRole("button", { name: "Read From Radio" }).click();
  await done(page);
  await cell(page, 9, 1).click();
  await page.keyboard.type("146.5");
  await page.keyboard.press("Enter");
  await page.getByRole("button", { name: "Write To Radio" }).click();
  const box = page.getByRole("alertdialog");
  // The session's own message first, then the outcome with the ways on.
  await box.getByRole("button", { name: "OK" }).click({ timeout: 60000 });
  await box.getByRole("button", { name: "Write Again" }).waitFor({ timeout: 60000 });
  assert.match(await box.textContent(), /Cause:/);
  assert.notDeepEqual(await radioMemory(page), before);
  await page.evaluate(() => window.pm.virtualPort().radio.clearFaults());
  await box.getByRole("button", { name: "Restore Backup" }).click();
  await done(page);
  assert.equal(await status(page), "Write complete and verified: the radio holds what was sent.");
  assert.deepEqual(await radioMemory(page), before);
});

test("without Web Serial the page says which browsers have it and keeps the virtual radio", async () => {
  const page = await newPage();
  await page.addInitScript(() => { delete Navigator.prototype.serial; });
  await page.goto(site.url);
  await page.waitForSelector("body[data-ready]");
  assert.match(await page.getByRole("note").textContent(), /Chrome, Edge or Opera/);
  assert.equal(await page.getByLabel("Port").inputValue(), "virtual");
});
