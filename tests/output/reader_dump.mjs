// Prints every table of a Jet file as mdb-reader (the second reader that
// mdb-check installs) reads it, as one JSON object: table name -> rows, or
// {"error": message} for a table it cannot read.
//   node reader_dump.mjs MDB_CHECK_CACHE FILE
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { join } from "node:path";
import { pathToFileURL } from "node:url";

const [cache, file] = process.argv.slice(2);
const lookup = createRequire(join(cache, "package.json"));
const MDBReader = (await import(pathToFileURL(lookup.resolve("mdb-reader")).href)).default;
const db = new MDBReader(readFileSync(file));

const plain = (v) =>
    v instanceof Date ? "date:" + v.toISOString() : Buffer.isBuffer(v) ? "bin:" + v.toString("hex") : v ?? null;
const out = {};
for (const name of db.getTableNames({ normalTables: true, systemTables: true, linkedTables: false })) {
    try {
        out[name] = db.getTable(name).getData().map((row) =>
            Object.fromEntries(Object.entries(row).map(([k, v]) => [k, plain(v)])));
    } catch (e) {
        out[name] = { error: String(e.message) };
    }
}
process.stdout.write(JSON.stringify(out));
