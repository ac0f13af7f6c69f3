// The core's bindings (web/bindings/module.cpp) as the page sees them.
declare module "pm514rx-core" {
  export interface Message { text: string; caption: string; buttons: number; icon: number }
  export interface EnterResult { messages: Message[]; stopped: boolean; move: number; openNext: boolean }
  export interface Told {
    line: string; cause: string; wentWrong: boolean; radioUnsure: boolean; openFailed: boolean; done: boolean;
    mismatch?: string[]; backupName?: string; backupBytes?: Uint8Array;
  }
  export interface PlanEditor {
    newPlan(): void;
    load(bytes: Uint8Array, recordUndo: boolean): string;
    bytes(): Uint8Array;
    text(row: number, col: number): string;
    selected(setting: number): number;
    select(setting: number, index: number): void;
    changeBand(band: number): void;
    commit(row: number, col: number, text: string): Message[];
    enter(row: number, col: number, focus: number, text: string): EnterResult;
    undo(): boolean;
    redo(): boolean;
    canUndo(): boolean;
    canRedo(): boolean;
  }
  export interface Segment { turnaround: boolean; bytes: Uint8Array }
  export interface PageRadio {
    addFault(text: string): boolean;
    onBytes(bytes: Uint8Array): { segments: Segment[]; drop: boolean };
    onLineIdle(): void;
    clearFaults(): void;
    inFrame(): boolean;
    memory(): Uint8Array;
  }
  export interface Core {
    PlanEditor: { new (): PlanEditor };
    PageRadio: { new (silent: boolean): PageRadio };
    readRadio(editor: PlanEditor): Promise<Told>;
    writeRadio(editor: PlanEditor, backup: boolean, verify: boolean): Promise<Told>;
    restoreBackup(bytes: Uint8Array, verify: boolean): Promise<Told | null>;
    headings(): string[];
    settingInfos(): { label: string; entries: string[]; visible: boolean }[];
    editorFor(column: number): number;
    entriesOf(kind: number): string[];
    selectionFor(kind: number, text: string): number;
    bandChangeMessage(): Message;
    demoBytes(): Uint8Array;
    captions(): { read: string; write: string };
  }
  const createCore: (options?: object) => Promise<Core>;
  export default createCore;
}
