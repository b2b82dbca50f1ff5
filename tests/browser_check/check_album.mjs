// Opens generated albums in headless Chromium from file:// and checks what a visitor would notice:
// every picture shows, every link leads to a file that exists, the preview window of a clicked
// picture shows it, the slide show moves on, no script fails, and nothing of a file name or a
// setting runs as script (a dialog, an event attribute the album does not write). Usage:
//   node check_album.mjs [--chromium PATH] [--screenshot FILE] FIRST_PAGE.html...
// Prints the counts and exits 1 on any failure.
import { chromium } from 'playwright-core';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const SLIDE_LIMIT_MS = 7000;
const PREVIEW_LIMIT_MS = 5000;

// The event attributes the album's own markup carries; any other means a name or a setting added
// markup of its own.
const OWN_EVENT_ATTRIBUTES = new Set(['BODY onload', 'INPUT onclick']);

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
  for (const m of code.matchAll(pattern)) {
    targets.push(m[1].replace(/\\(?:x([0-9A-Fa-f]{2})|(.))/g,
      (_, hex, other) => (hex ? String.fromCharCode(parseInt(hex, 16)) : other)));
  }
  return targets;
}

// Every reference of the page that must lead to a file, as the browser itself resolves it: link
// targets, picture and embed sources, backgrounds, and the script calls of links and buttons.
async function collectReferences(page) {
  return page.evaluate(() => {
    const refs = [];
    const resolve = (value) => {
      try {
        return new URL(value, document.baseURI).href;
      } catch (e) {
        return null;
      }
    };
    for (const a of document.querySelectorAll('a[href]'))
      refs.push({ kind: 'href', value: a.getAttribute('href'), url: a.href });
    for (const e of document.querySelectorAll('img[src], embed[src]'))
      refs.push({ kind: 'src', value: e.getAttribute('src'), url: e.src });
    for (const e of document.querySelectorAll('[background]')) {
      const value = e.getAttribute('background');
      refs.push({ kind: 'background', value, url: resolve(value) });
    }
    for (const e of document.querySelectorAll('[onclick]'))
      refs.push({ kind: 'onclick', value: e.getAttribute('onclick'), url: null });
    return refs;
  });
}

// The event attributes of the page that the album does not write, as "TAG attribute".
async function foreignEventAttributes(page) {
  const found = await page.evaluate(() => {
    const list = [];
    for (const e of document.querySelectorAll('*')) {
      for (const name of e.getAttributeNames()) {
        if (name.toLowerCase().startsWith('on')) list.push(`${e.tagName} ${name.toLowerCase()}`);
      }
    }
    return list;
  });
  return found.filter((entry) => !OWN_EVENT_ATTRIBUTES.has(entry));
}

class Checker {
  constructor() {
    this.failures = [];
    this.imagesLoaded = 0;
    this.linksChecked = 0;
    this.externalLinks = 0;
    this.pagesVisited = 0;
    this.previewsShown = 0;
    this.slideShowsChecked = 0;
    this.scriptErrors = 0;
    this.dialogs = 0;
  }

  fail(message) {
    this.failures.push(message);
    console.error(`browser check: FAIL ${message}`);
  }

  // Watches every page of the context, popups included: a script error, a console error (a missing
  // file among them) or a dialog fails the check.
  watch(context) {
    const attach = (page) => {
      const where = () => path.basename(decodeURIComponent(page.url() || 'popup')) || 'popup';
      page.on('pageerror', (error) => {
        ++this.scriptErrors;
        this.fail(`${where()}: script error: ${error.message}`);
      });
      page.on('console', (message) => {
        if (message.type() === 'error') {
          ++this.scriptErrors;
          this.fail(`${where()}: console error: ${message.text()}`);
        }
      });
      page.on('dialog', async (dialog) => {
        ++this.dialogs;
        this.fail(`${where()}: a ${dialog.type()} dialog opened ("${dialog.message()}"): a name ran script`);
        await dialog.dismiss().catch(() => {});
      });
    };
    context.on('page', attach);
  }

  // Checks that a resolved URL leads to a file that exists. Returns the local path, or null for an
  // external link.
  checkTarget(url, where, shownAs) {
    let parsed;
    try {
      parsed = new URL(url);
    } catch (e) {
      this.fail(`${where}: cannot resolve "${shownAs}"`);
      return null;
    }
    if (parsed.protocol !== 'file:') {
      ++this.externalLinks;
      return null;
    }
    ++this.linksChecked;
    const file = fileURLToPath(parsed);
    if (!fs.existsSync(file)) this.fail(`${where}: "${shownAs}" leads to a missing file ${JSON.stringify(file)}`);
    return file;
  }

  // Checks one page; returns the album pages it links to.
  async checkPage(context, file) {
    const page = await context.newPage();
    const pageUrl = pathToFileURL(file).href;
    const where = path.basename(file);
    await page.goto(pageUrl, { waitUntil: 'load' });
    ++this.pagesVisited;

    const images = await page.evaluate(() =>
      Array.from(document.images, (img) => ({ src: img.getAttribute('src'), complete: img.complete, width: img.naturalWidth })));
    for (const img of images) {
      if (img.complete && img.width > 0) ++this.imagesLoaded;
      else this.fail(`${where}: picture ${JSON.stringify(img.src)} did not load`);
    }
    for (const foreign of await foreignEventAttributes(page)) this.fail(`${where}: markup of a name or setting: ${foreign}`);

    const linked = [];
    const previews = [];
    for (const ref of await collectReferences(page)) {
      if (ref.kind === 'onclick') {
        for (const target of scriptCallTargets(ref.value, 'nwdhtm')) {
          const f = this.checkTarget(new URL(target, pageUrl).href, where, target);
          if (f) linked.push(f);
        }
        continue;
      }
      if (/^javascript:/i.test(ref.value)) {
        // The browser percent-decodes a javascript: URL once before running it.
        let code;
        try {
          code = decodeURIComponent(ref.url.replace(/^javascript:/i, ''));
        } catch (e) {
          this.fail(`${where}: the script link ${JSON.stringify(ref.value)} is not decodable`);
          continue;
        }
        const targets = scriptCallTargets(code, 'nwd');
        // The album's only script links open the preview; any other runs a name's script.
        if (targets.length === 0) this.fail(`${where}: a link runs script: ${JSON.stringify(ref.value)}`);
        for (const target of targets) {
          const f = this.checkTarget(new URL(target, pageUrl).href, where, target);
          if (f) previews.push({ href: ref.value, file: f });
        }
        continue;
      }
      const f = this.checkTarget(ref.url, where, ref.value);
      if (f && ref.kind === 'href' && /\.html?$/i.test(f)) linked.push(f);
    }

    await this.checkPreviews(page, where, previews);
    await this.checkSlideShowButtons(page, where);
    await this.checkSlideShow(page, where);
    await page.close();
    return linked;
  }

  // Clicks every picture link that opens the preview window and checks that the window shows that
  // picture and nothing else.
  async checkPreviews(page, where, previews) {
    const anchors = await page.$$('a[href^="javascript:" i]');
    for (const anchor of anchors) {
      const href = await anchor.getAttribute('href');
      const expected = previews.find((p) => p.href === href);
      if (!expected) continue;
      let popup;
      try {
        [popup] = await Promise.all([page.waitForEvent('popup', { timeout: PREVIEW_LIMIT_MS }), anchor.click()]);
        await popup.waitForFunction(() => document.images.length > 0 && document.images[0].complete, null,
          { timeout: PREVIEW_LIMIT_MS, polling: 50 });
        const shown = await popup.evaluate(() => ({
          count: document.images.length,
          src: document.images[0].src,
          width: document.images[0].naturalWidth,
          attributes: document.images[0].getAttributeNames().map((n) => n.toLowerCase()).sort(),
        }));
        const file = shown.src.startsWith('file:') ? fileURLToPath(new URL(shown.src)) : shown.src;
        if (shown.count !== 1 || shown.width === 0 || file !== expected.file) {
          this.fail(`${where}: the preview of ${JSON.stringify(expected.file)} shows ${JSON.stringify(file)} ` +
            `(${shown.count} pictures, width ${shown.width})`);
        } else if (shown.attributes.join(' ') !== 'border height src') {
          this.fail(`${where}: the preview's picture has attributes ${shown.attributes.join(' ')}`);
        } else {
          ++this.previewsShown;
        }
      } catch (e) {
        this.fail(`${where}: the preview of ${JSON.stringify(expected.file)} did not show: ${e.message.split('\n')[0]}`);
      } finally {
        if (popup) await popup.close();
      }
    }
  }

  // Clicks the slide-show button and checks that its window opens the slide-show page.
  async checkSlideShowButtons(page, where) {
    for (const button of await page.$$('input[onclick*="nwdhtm"]')) {
      let popup;
      try {
        [popup] = await Promise.all([page.waitForEvent('popup', { timeout: PREVIEW_LIMIT_MS }), button.click()]);
        await popup.waitForLoadState('load');
        const url = popup.url();
        if (!url.startsWith('file:') || !fs.existsSync(fileURLToPath(new URL(url)))) {
          this.fail(`${where}: the slide-show button opened ${url}`);
        }
      } catch (e) {
        this.fail(`${where}: the slide-show button opened no window: ${e.message.split('\n')[0]}`);
      } finally {
        if (popup) await popup.close();
      }
    }
  }

  // A page with the slide show's picture must have a working script: every picture of its array is
  // a file, and the picture changes to the next one, which loads.
  async checkSlideShow(page, where) {
    const hasFrame = await page.evaluate(() => !!document.img_frame);
    if (!hasFrame) return;
    const ready = await page.evaluate(() => typeof slideshow === 'function' && typeof fname !== 'undefined');
    if (!ready) {
      this.fail(`${where}: the slide show's script did not run`);
      return;
    }
    const pictures = await page.evaluate(() => fname.map((f) => new URL(f, document.baseURI).href));
    for (const url of pictures) this.checkTarget(url, where, `slide show picture ${url}`);
    if (pictures.length < 2) return;  // one picture: the timer shows the same one again
    const first = await page.evaluate(() => document.img_frame.src);
    try {
      await page.waitForFunction((start) => document.img_frame.src !== start && document.img_frame.complete &&
        document.img_frame.naturalWidth > 0, first, { timeout: SLIDE_LIMIT_MS, polling: 100 });
      ++this.slideShowsChecked;
    } catch (e) {
      this.fail(`${where}: the slide show did not show its next picture within ${SLIDE_LIMIT_MS / 1000} s`);
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
  checker.watch(context);
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
    `(${checker.externalLinks} external not followed), ${checker.previewsShown} previews shown, ` +
    `${checker.slideShowsChecked} slide shows moved on, ${checker.scriptErrors} script or console errors, ` +
    `${checker.dialogs} dialogs, ${checker.failures.length} failures`);
  process.exit(checker.failures.length === 0 ? 0 : 1);
}

main().catch((error) => {
  console.error(`browser check: ${error.stack || error}`);
  process.exit(1);
});
