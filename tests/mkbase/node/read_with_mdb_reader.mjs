// Prints a table of an .mdb file as JSON, read with mdb-reader: the table names, the columns with their types,
// the row count of the definition, every row as an array of values (null for NULL) and the stored
// database password (null when none).
// Usage: node read_with_mdb_reader.mjs FILE.mdb TABLE
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const [file, tableName] = process.argv.slice(2);
const reader = new MDBReader(readFileSync(file));
const table = reader.getTable(tableName);
const columns = table.getColumns().map((column) => ({ name: column.name, type: column.type, size: column.size }));
const names = columns.map((column) => column.name);
const rows = table.getData().map((row) => names.map((name) => row[name]));
process.stdout.write(
    JSON.stringify({
        tables: reader.getTableNames(),
        systemTables: reader.getTableNames({ normalTables: false, systemTables: true }),
        columns,
        rowCount: table.rowCount,
        rows,
        password: reader.getPassword(),
    }),
);
