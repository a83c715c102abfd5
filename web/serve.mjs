// serve.mjs DIR PORT: serves a folder on http://127.0.0.1:PORT/ (the loopback
// address only) until Ctrl+C. Port 0 takes a free one; the address is printed.
import { createServer } from 'node:http';
import { statSync } from 'node:fs';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize, resolve, sep } from 'node:path';

const [dir, port = '8064'] = process.argv.slice(2);
if (!dir) {
  console.error('usage: node serve.mjs DIR [PORT]');
  process.exit(2);
}
if (!/^\d{1,5}$/.test(port) || Number(port) > 65535) {
  console.error(`serve.mjs: the port is a number from 0 to 65535, not '${port}'`);
  process.exit(2);
}
if (!statSync(dir, { throwIfNoEntry: false })?.isDirectory()) {
  console.error(`serve.mjs: ${dir} is not a folder (make web builds build-web/site)`);
  process.exit(2);
}
const root = resolve(dir);
const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8', '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm', '.png': 'image/png', '.svg': 'image/svg+xml', '.txt': 'text/plain; charset=utf-8',
};

const server = createServer(async (request, response) => {
  if (request.method !== 'GET') {
    response.writeHead(405).end();
    return;
  }
  try {
    let path = decodeURIComponent(new URL(request.url, 'http://host').pathname);
    if (path.endsWith('/')) {
      path += 'index.html';
    }
    const file = normalize(join(root, path));
    if (!file.startsWith(root + sep)) {
      throw new Error('outside the folder');
    }
    const body = await readFile(file);
    response.writeHead(200, { 'Content-Type': TYPES[extname(file)] ?? 'application/octet-stream' }).end(body);
  } catch {
    response.writeHead(404).end('not found');
  }
});
server.on('error', (error) => {
  console.error(`serve.mjs: cannot serve on 127.0.0.1:${port}: ${error.message}`);
  process.exit(1);
});
server.listen(Number(port), '127.0.0.1', () => {
  console.log(`Dravik: http://127.0.0.1:${server.address().port}/ (Ctrl+C stops)`);
});
process.on('SIGINT', () => server.close(() => process.exit(0)));
process.on('SIGTERM', () => server.close(() => process.exit(0)));
