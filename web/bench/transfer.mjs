// Full read and full write in headless chromium through a fake serial paced at 9600 baud 8N1, the virtual
// radio answering with its own delays, against the protocol's floor: the same frame table as
// bench/transfer.cpp (its pauses plus the wire time of every byte). Also page load and the site's size.
import { readFileSync, readdirSync } from "node:fs";
import { gzipSync } from "node:zlib";
import { join } from "node:path";
import { fakeSerial, startBrowser, startSite } from "../tests/browser.mjs";

const charMs = 10 / 9.6;
// what, pause ms, bytes out, bytes in, times
const identification = [[7, 0, 0, 1], [7, 7, 0, 1], [0, 0, 1, 1], [2, 2, 0, 1], [0, 0, 8, 1], [0, 1, 1, 1]];
const writeBlock = [2, 12, 1, 251];
const readBlock = [20, 5, 13, 256];
const floorSeconds = (write) =>
  [...identification, write ? writeBlock : readBlock].reduce((ms, [p, o, i, n]) => ms + n * (p + (o + i) * charMs), 0) / 1000;

const build = process.env.PM_BUILD ?? "build";
const runs = +(process.env.RUNS ?? 3);
const site = await startSite(join(build, "web"));
const chromium = await startBrowser();
const page = await chromium.context.newPage();
await page.bringToFront(); // a page in the background has its timers throttled
await page.addInitScript(fakeSerial);
let status = 0;
const loads = [];
for (let i = 0; i < runs; i++) {
  await page.goto(site.url + "?realtime");
  await page.waitForSelector("body[data-ready]");
  loads.push(+(await page.evaluate(() => document.body.dataset.ready)));
}
await page.getByLabel("Backup Before Writing").uncheck();
await page.getByLabel("Verify After Writing").uncheck();
const median = (xs) => xs.sort((a, b) => a - b)[Math.floor(xs.length / 2)];
console.log(`Transfer in headless chromium, fake serial at 9600 baud 8N1, median of ${runs} runs\n`);
for (const write of [false, true]) {
  const walls = [];
  for (let r = 0; r < runs; r++) {
    const wall = await page.evaluate(async (write) => {
      const t0 = performance.now();
      document.getElementById(write ? "cmd-write" : "cmd-read").click();
      await new Promise((resolve) => {
        const check = () => (document.getElementById("progress").open ? setTimeout(check, 2) : resolve());
        setTimeout(check, 2);
      });
      return (performance.now() - t0) / 1000;
    }, write);
    if (!/complete/.test(await page.getByRole("status").textContent())) status = 1;
    walls.push(wall);
  }
  const wall = median(walls);
  const floor = floorSeconds(write);
  const ratio = wall / floor;
  console.log(`${write ? "write" : "read "}  ${wall.toFixed(3)} s  floor ${floor.toFixed(3)} s  ratio ${ratio.toFixed(3)}`);
  if (ratio > 1.05) status = 1;
}
const site_dir = join(build, "web");
const gz = readdirSync(site_dir).filter((f) => /\.(js|wasm)$/.test(f)).reduce((n, f) => n + gzipSync(readFileSync(join(site_dir, f)), { level: 9 }).length, 0);
console.log(`page load to editable grid: ${median(loads).toFixed(0)} ms (median)`);
console.log(`wasm + JS after gzip: ${(gz / 1024).toFixed(0)} KiB`);
if (median(loads) > 1000 || gz > 1.5 * 1024 * 1024) status = 1;
await chromium.close();
site.close();
process.exit(status);
