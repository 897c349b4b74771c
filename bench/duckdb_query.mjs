// DuckDB on the same task, for comparison only: read a UTF-8 catalogue, filter, write matches.
// Usage: node bench/duckdb_query.mjs CATALOGUE RESULT_FILE "CONDITION"; prints seconds.
import { DuckDBInstance } from '@duckdb/node-api';

const [catalogue, result, condition] = process.argv.slice(2);
const quote = (text) => `'${text.replaceAll("'", "''")}'`;
const start = performance.now();
const instance = await DuckDBInstance.create(':memory:');
const connection = await instance.connect();
await connection.run(
  `COPY (SELECT * FROM read_csv(${quote(catalogue)}, header = true) WHERE ${condition}) ` +
    `TO ${quote(result)} (HEADER)`);
console.log(((performance.now() - start) / 1000).toFixed(3));
