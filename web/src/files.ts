// Open and Save: the File System Access API where the browser has it (Save writes the same file again),
// else an upload field and a download.

type Handle = { getFile(): Promise<File>; createWritable(): Promise<{ write(d: BlobPart): Promise<void>; close(): Promise<void> }>; name: string };
type Picker = (options?: object) => Promise<Handle | Handle[]>;
const w = window as unknown as { showOpenFilePicker?: Picker; showSaveFilePicker?: Picker };
const types = [{ description: "Channel data", accept: { "application/octet-stream": [".sin"] } }];

let handle: Handle | null = null;
export let fileName = "Untitled.sin";

export function forget() { handle = null; fileName = "Untitled.sin"; }

/** The chosen file's bytes, or null when the user chose none. */
export async function openFile(): Promise<Uint8Array | null> {
  if (w.showOpenFilePicker) {
    try {
      const [h] = (await w.showOpenFilePicker({ types })) as Handle[];
      const file = await h.getFile();
      handle = h;
      fileName = h.name;
      return new Uint8Array(await file.arrayBuffer());
    } catch {
      return null;
    }
  }
  const input = document.getElementById("open-input") as HTMLInputElement;
  input.value = "";
  const file = await new Promise<File | null>((resolve) => {
    input.onchange = () => resolve(input.files?.[0] ?? null);
    input.addEventListener("cancel", () => resolve(null), { once: true });
    input.click();
  });
  if (!file) return null;
  fileName = file.name;
  return new Uint8Array(await file.arrayBuffer());
}

/** Downloads bytes under name. */
export function download(bytes: Uint8Array, name: string) {
  const a = document.createElement("a");
  a.href = URL.createObjectURL(new Blob([bytes as BlobPart], { type: "application/octet-stream" }));
  a.download = name;
  a.click();
  setTimeout(() => URL.revokeObjectURL(a.href), 10000);
}

/** Writes bytes to the open file, asking for one the first time; false when nothing was saved. */
export async function saveFile(bytes: Uint8Array, saveAs: boolean): Promise<boolean> {
  try {
    if ((!handle || saveAs) && w.showSaveFilePicker) {
      handle = (await w.showSaveFilePicker({ types, suggestedName: fileName })) as Handle;
      fileName = handle.name;
    }
    if (handle) {
      const out = await handle.createWritable();
      await out.write(bytes as BlobPart);
      await out.close();
      return true;
    }
  } catch {
    return false;
  }
  download(bytes, fileName);
  return true;
}
