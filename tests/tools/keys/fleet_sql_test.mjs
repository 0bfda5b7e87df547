// usage: node fleet_sql_test.mjs REPLAY FLEET_SQL FINGERPRINTS_SQL DUCKDB_NODE_API SCRATCH
//
// docs/fleet.sql, run by DuckDB embedded, finds over 1,000 identities
// documents exactly the shared usable values that quorvex-replay --keys
// --json finds over the same documents: the same groups, values and
// captures, in the same order. The documents are the replay's own, of
// capture folders made here: clones of one UUID, serial numbers shared with
// blanks or CR at their ends, GPU UUIDs in either case, bytes that are not
// UTF-8, and fillers that must not be grouped. docs/fingerprints.sql finds
// over the same machines' fingerprints (--fingerprint --from, one file a
// machine) a shared tag for each of those groups, with the same machines,
// and no other: the planted clones among them.
import { execFile, execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { promisify } from 'node:util';

const [replay, sqlFile, fingerprintsSqlFile, duckdbModule, scratch] = process.argv.slice(2);
const { DuckDBInstance } = await import(path.join(duckdbModule, 'lib', 'index.js'));
const machines = 1000;

fs.rmSync(scratch, { recursive: true, force: true });
fs.mkdirSync(path.join(scratch, 'documents'), { recursive: true });

// An SMBIOS structure: its formatted area, bytes at offsets, then its strings.
function structure(type, length, fields, texts) {
  const area = Buffer.alloc(length);
  area[0] = type;
  area[1] = length;
  for (const [at, bytes] of Object.entries(fields)) Buffer.from(bytes).copy(area, Number(at));
  const strings = texts.map((t) => Buffer.concat([Buffer.from(t, 'latin1'), Buffer.alloc(1)]));
  return Buffer.concat([area, ...strings, Buffer.alloc(texts.length ? 1 : 2)]);
}

function smbiosTable(m) {
  const clone = m % 50 === 0 ? 0 : m;
  const uuid = Array.from({ length: 16 }, (_, i) => ((clone * 2654435761) >>> ((i % 4) * 8)) & 0xff ^ i);
  const systemSerial = m % 25 === 0 ? `OKS-SHARED${m % 2 ? ' ' : '\r'}` : `OKS-${m}`;
  const data = Buffer.concat([
    structure(1, 27, { 4: [1], 5: [2], 7: [3], 8: uuid }, ['Okapi Systems', 'Okapi Tower 9', systemSerial]),
    structure(2, 15, { 4: [1], 7: [2] }, ['Okapi Systems', 'Default string']),
    structure(3, 10, { 4: [1], 7: [2], 8: [3] }, ['Okapi Systems', `OKC-${m}`, m % 10 === 0 ? 'INV-POOL' : `INV-${m}`]),
    structure(17, 28, { 16: [1], 24: [2] }, ['DIMM 0', `M${m}-A`]),
    structure(17, 28, { 16: [1], 24: [2] }, ['DIMM 1', m % 33 === 0 ? '\xff\xfeMEM' : `M${m}-B`]),
    structure(127, 4, {}, []),
  ]);
  const header = Buffer.alloc(8);
  header[1] = 3;
  header.writeUInt32LE(data.length, 4);
  return Buffer.concat([header, data]);
}

// A storage descriptor with the serial number, model and firmware at their offsets.
function driveDescriptor(m) {
  const serial = m % 40 === 0 ? 'OKD-CLONE' : `OKD-${m}`;
  const texts = [serial, 'Okapi NVMe 2TB', '3B2QGXA7'].map((t) => Buffer.from(`${t}\0`));
  const offsets = [48, 48 + texts[0].length, 48 + texts[0].length + texts[1].length];
  const head = Buffer.alloc(48);
  head.writeUInt32LE(offsets[1], 16);
  head.writeUInt32LE(offsets[2], 20);
  head.writeUInt32LE(offsets[0], 24);
  return Buffer.concat([head, ...texts]);
}

// One NVIDIA adapter for every seventh machine, its UUID shared in either
// case, and in braces without "GPU-" as the registry writes a GUID.
function registry(m) {
  const uuid = m % 14 === 0 ? 'GPU-ab12cd34-0000-4000-8000-00000000a001' : `GPU-AB12CD34-0000-4000-8000-0000000${String(m).padStart(5, '0')}`;
  return [
    'Windows Registry Editor Version 5.00', '',
    '[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_10DE&DEV_1F02&SUBSYS_00000000&REV_A1\\4&1&0&0008]',
    '"ClassGUID"="{4D36E968-E325-11CE-BFC1-08002BE10318}"', '"DeviceDesc"="Okapi GPU"',
    '"Driver"="{4D36E968-E325-11CE-BFC1-08002BE10318}\\\\0000"', '',
    '[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}\\0000]',
    `"GpuUuid"="${m % 42 === 0 ? `{${uuid.slice(4)}}` : m % 28 === 0 ? uuid.toUpperCase() : uuid}"`, '',
  ].join('\r\n');
}

const documents = [];
for (let m = 0; m < machines; m++) {
  const folder = path.join(scratch, 'folders', `machine-${String(m).padStart(4, '0')}`);
  fs.mkdirSync(folder, { recursive: true });
  fs.writeFileSync(path.join(folder, 'smbios.bin'), smbiosTable(m));
  fs.writeFileSync(path.join(folder, 'PhysicalDrive0.bin'), driveDescriptor(m));
  if (m % 7 === 0) fs.writeFileSync(path.join(folder, 'registry.reg'), registry(m));
  documents.push({ folder, document: path.join(scratch, 'documents', `${path.basename(folder)}.json`) });
}
// Two replays at a time: each is a process of its own.
const run = promisify(execFile);
for (let i = 0; i < documents.length; i += 2) {
  await Promise.all(documents.slice(i, i + 2).map(async ({ folder, document }) => {
    const { stdout } = await run(replay, ['--json', folder], { encoding: 'buffer', maxBuffer: 1 << 24 });
    fs.writeFileSync(document, stdout);
  }));
}

const names = documents.map((d) => d.document);
fs.writeFileSync(path.join(scratch, 'fleet.txt'), `${names.join('\n')}\n`);
const keys = JSON.parse(execFileSync(replay, ['--keys', '--json', '--from', path.join(scratch, 'fleet.txt')],
  { maxBuffer: 1 << 28 }).toString('utf8'));
const wanted = keys.shared.map((g) => JSON.stringify([g.kind, g.value, g.captures]));

const db = await DuckDBInstance.create(':memory:');
const connection = await db.connect();
await connection.run(`SET VARIABLE documents = '${path.join(scratch, 'documents', '*.json')}'`);
const rows = (await connection.runAndReadAll(fs.readFileSync(sqlFile, 'utf8'))).getRowObjectsJson();
const found = rows.map((r) => JSON.stringify([r.kind, JSON.parse(r.value), r.captures]));

let problems = 0;
const fail = (message) => { problems++; console.error(`FAIL: ${message}`); };
const kinds = new Set(keys.shared.map((g) => g.kind));
for (const kind of ['gpu-uuid', 'drive-serial', 'system-uuid', 'system-serial', 'chassis-asset-tag', 'memory-serial']) {
  if (!kinds.has(kind)) fail(`the fleet shares no ${kind}: the test proves nothing of it`);
}
if (keys.shared.some((g) => g.kind === 'baseboard-serial')) fail('a filler was grouped');
const spellings = keys.shared.find((g) => g.kind === 'gpu-uuid')?.captures ?? [];
if (!spellings.some((c) => c.includes('machine-0042'))) fail('a UUID in braces is not one with its GPU- spelling');
if (found.length !== wanted.length) fail(`${found.length} groups from the query, ${wanted.length} from --keys`);
for (let i = 0; i < Math.max(found.length, wanted.length); i++) {
  if (found[i] !== wanted[i]) {
    fail(`group ${i}: the query has ${found[i]?.slice(0, 300)}, --keys ${wanted[i]?.slice(0, 300)}`);
    break;
  }
}

// The same machines fingerprinted under one key, a file each, named as its document.
const key = path.join(scratch, 'key');
execFileSync(replay, ['--new-key', key]);
const lines = execFileSync(replay, ['--fingerprint', '--key', key, '--from', path.join(scratch, 'fleet.txt')],
  { maxBuffer: 1 << 28 }).toString('utf8').split('\n').filter((line) => line);
if (lines.length !== names.length) fail(`${lines.length} fingerprints for ${names.length} documents`);
fs.mkdirSync(path.join(scratch, 'fingerprints'));
lines.forEach((line, i) => fs.writeFileSync(path.join(scratch, 'fingerprints', path.basename(names[i])), `${line}\n`));
await connection.run(`SET VARIABLE fingerprints = '${path.join(scratch, 'fingerprints', '*.json')}'`);
const tagRows = (await connection.runAndReadAll(fs.readFileSync(fingerprintsSqlFile, 'utf8'))).getRowObjectsJson();
const machinesOf = (list) => JSON.stringify(list.map((name) => path.basename(name)));
const tagGroups = tagRows.map((r) => `${r.kind} ${machinesOf(r.fingerprints)}`).sort();
const valueGroups = keys.shared.map((g) => `${g.kind} ${machinesOf(g.captures)}`).sort();
if (tagRows.some((r) => Number(r.machines) !== r.fingerprints.length)) fail('a group counts other than its machines');
if (JSON.stringify(tagGroups) !== JSON.stringify(valueGroups)) {
  const missing = valueGroups.filter((g) => !tagGroups.includes(g));
  fail(`${tagGroups.length} groups of tags, ${valueGroups.length} of values; first apart: ${(missing[0] ?? tagGroups.find((g) => !valueGroups.includes(g)))?.slice(0, 300)}`);
}
// The clones planted above: every 50th machine keeps one system UUID, every 40th one drive serial.
const planted = (kind, every) => `${kind} ${JSON.stringify(names.filter((_, m) => m % every === 0).map((n) => path.basename(n)))}`;
for (const clones of [planted('system-uuid', 50), planted('drive-serial', 40)]) {
  if (!tagGroups.includes(clones)) fail(`the planted clones ${clones.slice(0, 80)}… are not one group of tags`);
}
if (problems) process.exit(1);
console.log(`PASS: docs/fleet.sql finds the ${wanted.length} groups --keys --json finds in ${machines} documents, ` +
  `docs/fingerprints.sql the same ${tagGroups.length} in their fingerprints`);
