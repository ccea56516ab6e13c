// The package as an ECMAScript module: the same reader as require('tessmar').
import tessmar from './index.js';

export const readFile = tessmar.readFile;
export const version = tessmar.version;
export default tessmar;
