// Validates a glTF or GLB file with the Khronos glTF validator; prints the number of errors and
// warnings and the first messages as JSON. Exit status 0 when the file could be validated.
const fs = require('fs');
const validator = require('gltf-validator');

const file = process.argv[2];
validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {maxIssues: 100})
    .then((report) => {
      const issues = report.issues;
      console.log(JSON.stringify({
        errors: issues.numErrors,
        warnings: issues.numWarnings,
        messages: issues.messages.slice(0, 20).map((m) => `${m.severity} ${m.code} ${m.pointer}: ${m.message}`),
      }));
    })
    .catch((error) => {
      console.error(String(error));
      process.exit(2);
    });
