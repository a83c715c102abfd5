// serve.mjs DIR PORT: serves a folder on http://127.0.0.1:PORT/ (the loopback
// address only) until Ctrl+C. Port 0 takes a free one; the address is printed.
// Only files inside the folder are served, also where a link points out of it.
import { createReadStream, statSync } from 'node:fs';
import { realpath, stat } from 'node:fs/promises';
import { createServer } from 'node:http';
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
const root = await realpath(resolve(dir));
const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8', '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm', '.png': 'image/png', '.svg': 'image/svg+xml', '.txt': 'text/plain; charset=utf-8',
  '.webmanifest': 'application/manifest+json', '.json': 'application/json',
};
const ALLOW = 'GET, HEAD';

// The file a request names, as the real path inside the folder; null when
// there is none there.
async function find(pathname) {
  const file = normalize(join(root, pathname));
  if (file !== root && !file.startsWith(root + sep)) {
    return null;
  }
  try {
    const real = await realpath(file);
    return real === root || real.startsWith(root + sep) ? real : null;
  } catch {
    return null;
  }
}

const server = createServer(async (request, response) => {
  if (request.method !== 'GET' && request.method !== 'HEAD') {
    response.writeHead(405, { Allow: ALLOW, 'Content-Type': 'text/plain' }).end('only GET and HEAD\n');
    return;
  }
  const fail = () => response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
  try {
    const url = new URL(request.url, 'http://host');
    const pathname = decodeURIComponent(url.pathname);
    let file = await find(pathname);
    let info = file && (await stat(file));
    if (info?.isDirectory()) {
      if (!pathname.endsWith('/')) {
        response.writeHead(301, { Location: `${url.pathname}/${url.search}` }).end();
        return;
      }
      file = await find(join(pathname, 'index.html'));
      info = file && (await stat(file));
    }
    if (!info?.isFile()) {
      fail();
      return;
    }
    response.writeHead(200, {
      'Content-Type': TYPES[extname(file)] ?? 'application/octet-stream',
      'Content-Length': info.size,
      'Cache-Control': 'no-cache', // a new build is seen at once
    });
    if (request.method === 'HEAD') {
      response.end();
      return;
    }
    createReadStream(file).on('error', () => response.destroy()).pipe(response);
  } catch {
    fail();
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
