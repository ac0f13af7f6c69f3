// The port the core's WebSerialPort awaits: any object with Web Serial's open/close and streams behind it.
import type { PageRadio } from "pm514rx-core";

export const kCharMs = 10 / 9.6; // one character at 9600 baud 8N1
const kTurnaroundMs = 10;
const kIdleResetMs = 500;
const ENODEV = 19;

/** Waits until performance.now() reaches t: timers for the bulk, message turns for the last few ms. */
const channel = new MessageChannel();
const turns: (() => void)[] = [];
channel.port1.onmessage = () => turns.shift()?.();
const turn = () => new Promise<void>((r) => { turns.push(r); channel.port2.postMessage(0); });
export async function sleepUntil(t: number): Promise<void> {
  // Chained timers are clamped to 4 ms, which alone would make every 1 ms pause of the protocol 4 ms.
  while (t - performance.now() > 5) await new Promise((r) => setTimeout(r, t - performance.now() - 5));
  while (performance.now() < t) await turn();
}

export interface SerialLike {
  open(options: object): Promise<void>;
  close(): Promise<void>;
  readable: ReadableStream<Uint8Array> | null;
  writable: WritableStream<Uint8Array> | null;
}

/** The link over one port: a pump fills a queue from the readable stream, reads wait on it with time-outs. */
export class StreamLink {
  private queue: number[] = [];
  private wake: (() => void) | null = null;
  private lost = false;
  private reader: ReadableStreamDefaultReader<Uint8Array> | null = null;
  private writer: WritableStreamDefaultWriter<Uint8Array> | null = null;

  constructor(private port: SerialLike) {}

  async open(): Promise<number> {
    try {
      await this.port.open({ baudRate: 9600, dataBits: 8, stopBits: 1, parity: "none", flowControl: "none" });
      this.reader = this.port.readable!.getReader();
      this.writer = this.port.writable!.getWriter();
    } catch {
      return ENODEV;
    }
    this.lost = false;
    this.queue = [];
    void this.pump(this.reader);
    return 0;
  }

  private async pump(reader: ReadableStreamDefaultReader<Uint8Array>) {
    try {
      for (;;) {
        const { value, done } = await reader.read();
        if (done) break;
        for (const b of value) this.queue.push(b);
        this.wake?.();
      }
    } catch {
      // unplugged: the stream errors, and the next read reports the failure
    }
    this.lost = true;
    this.wake?.();
  }

  /** Up to n bytes; fewer on a time-out (total, or the interval once a byte came); null when the port is gone. */
  async read(n: number, intervalMs: number, totalMs: number): Promise<Uint8Array | null> {
    const out: number[] = [];
    const deadline = performance.now() + totalMs;
    let last = 0;
    for (;;) {
      while (out.length < n && this.queue.length) { out.push(this.queue.shift()!); last = performance.now(); }
      if (out.length === n) return Uint8Array.from(out);
      if (this.lost) return null;
      const until = out.length ? Math.min(deadline, last + intervalMs) : deadline;
      const wait = until - performance.now();
      if (wait <= 0) return Uint8Array.from(out);
      let timer = 0;
      await new Promise<void>((r) => { this.wake = r; timer = window.setTimeout(r, wait); });
      clearTimeout(timer);
      this.wake = null;
    }
  }

  async write(bytes: Uint8Array): Promise<boolean> {
    try {
      await this.writer!.write(bytes);
      return true;
    } catch {
      return false;
    }
  }

  purge() { this.queue = []; }

  async close() {
    try { await this.reader?.cancel(); } catch { /* already gone */ }
    this.reader?.releaseLock();
    this.writer?.releaseLock();
    this.reader = this.writer = null;
    try { await this.port.close(); } catch { /* already gone */ }
  }

  pause(ms: number) { return sleepUntil(performance.now() + ms); }
}

/**
 * The virtual radio behind Web Serial's interface, so that the same link serves it; paced, every byte
 * takes its wire time both ways. Also what the tests put behind a fake navigator.serial.
 * Each chunk's times are worked out from its byte count: one wait for what is written, one per run of the
 * radio's answer, so that timer slack does not add up byte by byte.
 */
export class VirtualSerialPort implements SerialLike {
  readable: ReadableStream<Uint8Array> | null = null;
  writable: WritableStream<Uint8Array> | null = null;
  private lineFree = 0;
  private lastIn = 0;
  private gone = false;
  private out: ReadableStreamDefaultController<Uint8Array> | null = null;
  private deliveries: Promise<void> = Promise.resolve();

  constructor(public radio: PageRadio, private paced = false) {}

  async open() {
    if (this.gone) throw new DOMException("The device has been lost.", "NetworkError");
    if (this.readable) throw new DOMException("The port is already open.", "InvalidStateError");
    let out!: ReadableStreamDefaultController<Uint8Array>;
    const readable = (this.readable = new ReadableStream({ start: (c) => { out = this.out = c; } }));
    // In order, each run when its last byte is through the wire.
    const deliver = (bytes: number[], at: number) => {
      const run = Uint8Array.from(bytes);
      this.deliveries = this.deliveries.then(() => sleepUntil(at)).then(() => {
        if (this.readable === readable && !this.gone) out.enqueue(run);
      });
    };
    const charMs = this.paced ? kCharMs : 0;
    this.writable = new WritableStream({
      write: async (chunk) => {
        if (this.gone) throw new DOMException("The device has been lost.", "NetworkError");
        let t = Math.max(performance.now(), this.lineFree);
        let run: number[] = [];
        let sent = t;
        for (const b of chunk) {
          if (run.length) { deliver(run, t); run = []; }
          t += charMs;
          sent = t;
          if (t - this.lastIn > kIdleResetMs && this.radio.inFrame()) this.radio.onLineIdle();
          this.lastIn = t;
          const reaction = this.radio.onBytes(Uint8Array.of(b));
          if (reaction.drop) {
            await sleepUntil(t);
            this.unplug();
            throw new DOMException("The device has been lost.", "NetworkError");
          }
          for (const s of reaction.segments) {
            if (s.turnaround) t += kTurnaroundMs;
            for (const r of s.bytes) { t += charMs; run.push(r); }
          }
          this.lineFree = t;
        }
        if (run.length) deliver(run, t);
        await sleepUntil(sent);
      },
    });
  }

  async close() { this.readable = this.writable = null; }

  /** The cable pulled: the streams fail and the port cannot be opened again. */
  unplug() {
    this.gone = true;
    try { this.out?.error(new DOMException("The device has been lost.", "NetworkError")); } catch { /* closed */ }
  }
}
