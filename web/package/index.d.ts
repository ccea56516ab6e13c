/** One file's readout: exactly one element of the array `tessmar --json` prints. */
export interface Readout {
  /** The path as given (Node), or the File's name (browser). */
  file: string;
  /** The camera model as stored; "" when the file names none. */
  camera: string;
  /** The shooting date as stored ("YYYY:MM:DD HH:MM:SS"); "" when absent. */
  shootingDate: string;
  /** Mechanical shutter count; 0 when `error` is not null. */
  mechanical: number;
  /** Electronic shutter count; 0 when `error` is not null. */
  electronic: number;
  /** Total shutter count; 0 when `error` is not null. */
  total: number;
  /** Why the file gave no count (e.g. "no maker note in this file"), or null when it did. */
  error: string | null;
  /** The body's serial number as stored, or null when the file records none. */
  serial: string | null;
}

/**
 * Reads one camera file (Nikon NEF, NRW, JPEG, or DNG converted from them),
 * reading only the bytes the reader needs. In Node, `file` is a path; in a
 * browser, a File or Blob. Resolves with the readout also when the file
 * gives no count (then `error` says why); rejects only on a wrong argument.
 */
export function readFile(file: string | Blob): Promise<Readout>;

/** The program's version. */
export const version: string;

declare const tessmar: { readFile: typeof readFile; version: string };
export default tessmar;
