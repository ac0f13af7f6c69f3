// Message boxes as alertdialogs whose buttons are awaited, and the progress dialog of a transfer.
import type { Message } from "pm514rx-core";

const kButtons = [["OK"], ["OK", "Cancel"], ["Retry", "Cancel"]];
const kAnswers: Record<string, number> = { OK: 0, Cancel: 1, Retry: 2 };

/** Shows text under caption with named buttons; resolves with the button pressed (Escape: the last). */
export function choose(caption: string, text: string, buttons: string[]): Promise<number> {
  const dialog = document.createElement("dialog");
  dialog.className = "message";
  dialog.setAttribute("role", "alertdialog");
  dialog.setAttribute("aria-modal", "true");
  const title = dialog.appendChild(document.createElement("h2"));
  title.id = `caption-${Date.now()}-${Math.random().toString(36).slice(2)}`;
  title.textContent = caption;
  const body = dialog.appendChild(document.createElement("p"));
  body.id = `${title.id}-text`;
  body.textContent = text;
  dialog.setAttribute("aria-labelledby", title.id);
  dialog.setAttribute("aria-describedby", body.id);
  const row = dialog.appendChild(document.createElement("div"));
  row.className = "buttons";
  document.body.appendChild(dialog);
  return new Promise((resolve) => {
    const done = (i: number) => { dialog.close(); dialog.remove(); resolve(i); };
    buttons.forEach((name, i) => {
      const b = row.appendChild(document.createElement("button"));
      b.textContent = name;
      b.onclick = () => done(i);
    });
    dialog.addEventListener("cancel", (e) => { e.preventDefault(); done(buttons.length - 1); });
    dialog.showModal();
    (row.firstElementChild as HTMLElement).focus();
  });
}

/** A core message box; resolves with the core's answer (0 OK, 1 Cancel, 2 Retry). */
export async function ask(m: Message): Promise<number> {
  const names = kButtons[m.buttons] ?? kButtons[0];
  return kAnswers[names[await choose(m.caption, m.text, names)]];
}

/** The progress dialog: caption, status line, bar and Cancel, fed by the core's session host. */
export class Progress {
  private dialog = document.getElementById("progress") as HTMLDialogElement;
  private bar = document.getElementById("progress-bar") as HTMLProgressElement;
  private line = document.getElementById("progress-status")!;
  private title = document.getElementById("progress-title")!;
  cancelRequested = false;

  constructor() {
    document.getElementById("progress-cancel")!.onclick = () => { this.cancelRequested = true; };
    this.dialog.addEventListener("cancel", (e) => { e.preventDefault(); this.cancelRequested = true; });
  }

  open(caption: string) {
    this.cancelRequested = false;
    this.title.textContent = caption;
    this.bar.value = 0;
    this.line.textContent = "";
    this.dialog.showModal();
  }
  caption(text: string) { this.title.textContent = text; }
  status(text: string) { this.line.textContent = text; }
  progress(position: number) { this.bar.value = position; }
  close() { this.dialog.close(); }
}
