// The radio's memory kept before each write, in the browser's IndexedDB.

export interface Backup { name: string; bytes: Uint8Array; when: number }

function database(): Promise<IDBDatabase> {
  return new Promise((resolve, reject) => {
    const request = indexedDB.open("pm514rx", 1);
    request.onupgradeneeded = () => request.result.createObjectStore("backups", { keyPath: "name" });
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
}

async function run<T>(mode: IDBTransactionMode, act: (s: IDBObjectStore) => IDBRequest<T>): Promise<T> {
  const db = await database();
  return new Promise((resolve, reject) => {
    const request = act(db.transaction("backups", mode).objectStore("backups"));
    request.onsuccess = () => { resolve(request.result); db.close(); };
    request.onerror = () => { reject(request.error); db.close(); };
  });
}

export const storeBackup = (b: Backup) => run("readwrite", (s) => s.put(b));
/** Every backup, the newest first. */
export const listBackups = async () =>
  ((await run("readonly", (s) => s.getAll())) as Backup[]).sort((a, b) => b.when - a.when);
