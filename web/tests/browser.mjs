// Headless Debian chromium with a fresh profile, and a static server for the site: what every browser test shares.
import { createServer } from "node:http";
import { mkdtempSync, readFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { extname, join } from "node:path";
import { chromium } from "playwright-core";

const kTypes = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm", ".svg": "image/svg+xml", ".webmanifest": "application/manifest+json" };

export async function startSite(root) {
  const server = createServer((req, res) => {
    const path = new URL(req.url, "http://x").pathname;
    try {
      const body = readFileSync(join(root, path === "/" ? "index.html" : path.slice(1)));
      res.writeHead(200, { "content-type": kTypes[extname(path || ".html")] ?? "text/html" }).end(body);
    } catch {
      res.writeHead(404).end();
    }
  });
  await new Promise((r) => server.listen(0, "127.0.0.1", r));
  return { url: `http://localhost:${server.address().port}/`, close: () => server.close() };
}

export async function startBrowser() {
  const profile = mkdtempSync(join(tmpdir(), "pm514rx-chromium-"));
  // The profile directory is chromium's --user-data-dir.
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.CHROMIUM ?? "/usr/bin/chromium",
    headless: true,
    acceptDownloads: true,
    viewport: { width: 1280, height: 900 },
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
      "--disable-component-update", "--disable-sync"],
  });
  return { context, close: async () => { await context.close(); rmSync(profile, { recursive: true, force: true }); } };
}

/** A fake navigator.serial, installed before the page loads, whose port is the page's virtual radio. */
export const fakeSerial = () => {
  Object.defineProperty(navigator, "serial", {
    value: { getPorts: async () => [], requestPort: async () => window.pm.virtualPort() },
  });
  window.showSaveFilePicker = undefined;
  window.showOpenFilePicker = undefined;
};
