// Opens generated albums in headless Chromium from file:// and checks what a visitor would notice:
// every picture shows, every link leads to a file that exists, the slide show moves on, and no
// script fails. Usage:
//   node check_album.mjs [--chromium PATH] [--screenshot FILE] FIRST_PAGE.html...
// Prints the counts and exits 1 on any failure.
import { chromium } from 'playwright-core';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const SLIDE_LIMIT_MS = 7000;

function parseArgs(argv) {
  const options = { chromium: '/usr/bin/chromium', screenshot: null, albums: [] };
  for (let i = 0; i < argv.length; ++i) {
    if (argv[i] === '--chromium') options.chromium = argv[++i];
    else if (argv[i] === '--screenshot') options.screenshot = argv[++i];
    else options.albums.push(path.resolve(argv[i]));
  }
  return options;
}

// The string arguments of calls like nwd('...') or nwdhtm('...') in a piece of script, with the
// string escapes undone.
function scriptCallTargets(code, functionName) {
  const targets = [];
  const pattern = new RegExp(`${functionName}\\(\\s*'((?:[^'\\\\]|\\\\.)*)'\\s*\\)`, 'g');
  for (const m of code.matchAll(pattern)) targets.push(m[1].replace(/\\(.)/g, '$1'));
  return targets;
}

// Every reference of the page that must lead to a file: link targets, picture and embed sources,
// backgrounds, and the targets of the album's scripts.
async function collectReferences(page) {
  return page.evaluate(() => {
    const refs = [];
    for (const a of document.querySelectorAll('a[href]')) refs.push({ kind: 'href', value: a.getAttribute('href') });
    for (const e of document.querySelectorAll('img[src], embed[src]'))
      refs.push({ kind: 'src', value: e.getAttribute('src') });
    for (const e of document.querySelectorAll('[background]'))
      refs.push({ kind: 'background', value: e.getAttribute('background') });
    for (const e of document.querySelectorAll('[onclick]'))
      refs.push({ kind: 'onclick', value: e.getAttribute('onclick') });
    return refs;
  });
}

class Checker {
  constructor() {
    this.failures = [];
    this.imagesLoaded = 0;
    this.linksChecked = 0;
    this.externalLinks = 0;
    this.pagesVisited = 0;
    this.slideShowsChecked = 0;
    this.scriptErrors = 0;
  }

  fail(message) {
    this.failures.push(message);
    console.error(`browser check: FAIL ${message}`);
  }

  // Resolves a relative URL against the page and checks that the file exists. Returns the local
  // path, or null for an external link.
  checkTarget(pageUrl, relative, where) {
    let url;
    try {
      url = new URL(relative, pageUrl);
    } catch (e) {
      this.fail(`${where}: cannot resolve "${relative}"`);
      return null;
    }
    if (url.protocol !== 'file:') {
      ++this.externalLinks;
      return null;
    }
    ++this.linksChecked;
    const file = fileURLToPath(url);
    if (!fs.existsSync(file)) this.fail(`${where}: "${relative}" leads to a missing file ${file}`);
    return file;
  }

  // Checks one page; returns the album pages it links to.
  async checkPage(context, file) {
    const page = await context.newPage();
    const pageUrl = pathToFileURL(file).href;
    const where = path.basename(file);
    page.on('pageerror', (error) => {
      ++this.scriptErrors;
      this.fail(`${where}: script error: ${error.message}`);
    });
    page.on('console', (message) => {
      if (message.type() === 'error') {
        ++this.scriptErrors;
        this.fail(`${where}: console error: ${message.text()}`);
      }
    });
    await page.goto(pageUrl, { waitUntil: 'load' });
    ++this.pagesVisited;

    const images = await page.evaluate(() =>
      Array.from(document.images, (img) => ({ src: img.getAttribute('src'), complete: img.complete, width: img.naturalWidth })));
    for (const img of images) {
      if (img.complete && img.width > 0) ++this.imagesLoaded;
      else this.fail(`${where}: picture "${img.src}" did not load`);
    }

    const linked = [];
    for (const ref of await collectReferences(page)) {
      if (ref.kind === 'onclick') {
        for (const target of scriptCallTargets(ref.value, 'nwdhtm')) {
          const f = this.checkTarget(pageUrl, target, where);
          if (f) linked.push(f);
        }
        continue;
      }
      let value = ref.value;
      if (/^javascript:/i.test(value)) {
        // The browser percent-decodes a javascript: URL once before running it.
        const code = decodeURIComponent(value.replace(/^javascript:/i, ''));
        for (const target of [...scriptCallTargets(code, 'nwd'), ...scriptCallTargets(code, 'nwdhtm')]) {
          const f = this.checkTarget(pageUrl, target, where);
          if (f && f.endsWith('.html')) linked.push(f);
        }
        continue;
      }
      const f = this.checkTarget(pageUrl, value, where);
      if (f && ref.kind === 'href' && /\.html?$/i.test(f)) linked.push(f);
    }

    const isSlideShow = await page.evaluate(() => typeof slideshow === 'function' && !!document.img_frame);
    if (isSlideShow) await this.checkSlideShow(page, where);
    await page.close();
    return linked;
  }

  async checkSlideShow(page, where) {
    const count = await page.evaluate(() => fname.length);
    if (count < 2) return;  // one picture: the timer shows the same one again
    const first = await page.evaluate(() => document.img_frame.src);
    try {
      await page.waitForFunction((start) => document.img_frame.src !== start, first, { timeout: SLIDE_LIMIT_MS, polling: 100 });
      ++this.slideShowsChecked;
    } catch (e) {
      this.fail(`${where}: the slide show did not change its picture within ${SLIDE_LIMIT_MS / 1000} s`);
    }
  }

  // Visits the first page and every album page reachable from it.
  async checkAlbum(context, firstPage) {
    const albumFolder = path.dirname(firstPage);
    const queue = [firstPage];
    const seen = new Set(queue);
    while (queue.length > 0) {
      const file = queue.shift();
      for (const next of await this.checkPage(context, file)) {
        if (!seen.has(next) && path.dirname(next) === albumFolder && fs.existsSync(next)) {
          seen.add(next);
          queue.push(next);
        }
      }
    }
  }
}

async function main() {
  const options = parseArgs(process.argv.slice(2));
  if (options.albums.length === 0) {
    console.error('usage: node check_album.mjs [--chromium PATH] [--screenshot FILE] FIRST_PAGE.html...');
    process.exit(2);
  }
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'album-check-profile-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: options.chromium,
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
    viewport: { width: 1024, height: 768 },
  });
  const checker = new Checker();
  try {
    for (const album of options.albums) await checker.checkAlbum(context, album);
    if (options.screenshot) {
      const page = await context.newPage();
      await page.goto(pathToFileURL(options.albums[0]).href, { waitUntil: 'load' });
      fs.mkdirSync(path.dirname(path.resolve(options.screenshot)), { recursive: true });
      await page.screenshot({ path: options.screenshot, fullPage: true });
      await page.close();
    }
  } finally {
    await context.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
  console.log(`browser check: ${options.albums.length} albums, ${checker.pagesVisited} pages, ` +
    `${checker.imagesLoaded} pictures loaded, ${checker.linksChecked} links checked ` +
    `(${checker.externalLinks} external not followed), ${checker.slideShowsChecked} slide shows moved on, ` +
    `${checker.scriptErrors} script or console errors, ${checker.failures.length} failures`);
  process.exit(checker.failures.length === 0 ? 0 : 1);
}

main().catch((error) => {
  console.error(`browser check: ${error.stack || error}`);
  process.exit(1);
});
