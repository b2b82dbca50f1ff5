// Opens generated albums in headless Chromium from file:// and checks what a visitor would notice:
// every picture shows, every link leads to a file that exists, the preview window of a clicked
// picture shows it, the slide show moves on, no script fails, and nothing of a file name or a
// setting runs as script (a dialog, an event attribute the album does not write). Albums of the
// modern page style, given with --modern, are walked the same way and then checked as a phone and
// a wide screen show them (checkModernAlbum). Usage:
//   node check_album.mjs [--chromium PATH] [--screenshot FILE] [--modern-screenshots PREFIX]
//                        [--modern FIRST_PAGE.html]... FIRST_PAGE.html...
// Prints the counts and exits 1 on any failure.
import { chromium } from 'playwright-core';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const SLIDE_LIMIT_MS = 7000;
const PREVIEW_LIMIT_MS = 5000;

// The screens the modern pages are checked on: a phone and a wide screen.
const MODERN_SCREENS = [
  { name: '390x844@3', shot: '390', viewport: { width: 390, height: 844 }, deviceScaleFactor: 3 },
  { name: '1280x800@1', shot: '1280', viewport: { width: 1280, height: 800 }, deviceScaleFactor: 1 },
];
// The modern slide show's interval (kSlideIntervalMs).
const SLIDE_INTERVAL_MS = 3000;
// axe-core's rules of WCAG levels A and AA.
const AXE_TAGS = ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22aa'];
const AXE_SCRIPT = path.join(path.dirname(createRequire(import.meta.url).resolve('axe-core')), 'axe.min.js');

// The event attributes the album's own markup carries; any other means a name or a setting added
// markup of its own.
const OWN_EVENT_ATTRIBUTES = new Set(['BODY onload', 'INPUT onclick']);

function parseArgs(argv) {
  const options = { chromium: '/usr/bin/chromium', screenshot: null, modernScreenshots: null, albums: [], modern: [] };
  for (let i = 0; i < argv.length; ++i) {
    if (argv[i] === '--chromium') options.chromium = argv[++i];
    else if (argv[i] === '--screenshot') options.screenshot = argv[++i];
    else if (argv[i] === '--modern-screenshots') options.modernScreenshots = argv[++i];
    else if (argv[i] === '--modern') options.modern.push(path.resolve(argv[++i]));
    else options.albums.push(path.resolve(argv[i]));
  }
  return options;
}

// Loads every picture of the page, those left to load lazily too, and waits for each to end.
async function loadAllImages(page) {
  await page.evaluate(async () => {
    const pending = [];
    for (const img of document.images) {
      if (img.loading === 'lazy') img.loading = 'eager';
      if (!img.complete) {
        pending.push(new Promise((done) => {
          img.addEventListener('load', done, { once: true });
          img.addEventListener('error', done, { once: true });
        }));
      }
    }
    await Promise.race([Promise.all(pending), new Promise((done) => setTimeout(done, 5000))]);
  });
}

// Stops the clock that page.clock.install gave the page half a second on (it runs on while the
// check asks): its timers fire only when the check runs it on.
async function stopClock(page) {
  const now = await page.evaluate(() => Date.now());
  await page.clock.pauseAt(now + 500);
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
    for (const e of document.querySelectorAll('img[src], embed[src], audio[src]'))
      refs.push({ kind: 'src', value: e.getAttribute('src'), url: e.src });
    // Each candidate of a srcset: its URL ends at the first space, and a comma in it is encoded.
    for (const e of document.querySelectorAll('img[srcset]')) {
      for (const candidate of e.getAttribute('srcset').split(',')) {
        const value = candidate.trim().split(/\s+/)[0];
        refs.push({ kind: 'srcset', value, url: resolve(value) });
      }
    }
    for (const e of document.querySelectorAll('link[rel="stylesheet"]'))
      refs.push({ kind: 'stylesheet', value: e.getAttribute('href'), url: e.href });
    // The wallpaper of a style sheet, as the browser resolved it.
    const sheet = document.querySelector('link[rel="stylesheet"]');
    const wallpaper = sheet && /url\("([^"]*)"\)/.exec(getComputedStyle(document.body).backgroundImage);
    if (wallpaper) refs.push({ kind: 'wallpaper', value: wallpaper[1], url: wallpaper[1] });
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
    this.modernPagesChecked = 0;
    this.sharpThumbnailsChecked = 0;
    this.thumbnailsTabbed = 0;
    this.modernSlideShowsChecked = 0;
    this.axeRuns = 0;
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
    await loadAllImages(page);

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

  // A modern album as a phone and a wide screen show it (MODERN_SCREENS): on each, every index page
  // and slide-show page scrolls only up and down and gives every picture an alt; a screen of
  // density 2 or more shows the sharper thumbnail of every srcset, a screen of density 1 the plain
  // one. Tab reaches every thumbnail of the first page. The slide shows move on by themselves,
  // pause and resume with Space, step with the arrow keys and go back to their index page with
  // Esc; asked for reduced motion, they wait for the play button. The first index and slide-show
  // page pass axe-core's rules of levels A and AA in the light scheme on the wide screen and in
  // the dark one on the phone, and dark mode changes the page's colours (every album checked here
  // has a light theme). `shots`: a path prefix for screenshots of the first page.
  async checkModernAlbum(browser, firstPage, shots) {
    for (const screen of MODERN_SCREENS) {
      const context = await browser.newContext({ viewport: screen.viewport, deviceScaleFactor: screen.deviceScaleFactor });
      this.watch(context);
      try {
        const wide = screen.deviceScaleFactor === 1;
        const indexPages = await this.modernIndexPages(context, firstPage);
        for (const [i, url] of indexPages.entries()) {
          const first = i === 0;
          const slide = await this.checkModernIndex(context, url, screen, { tab: first, axe: first, dark: !wide,
            shots: first && shots ? `${shots}-${screen.shot}` : null });
          if (slide) await this.checkModernSlideShow(context, slide, screen, { axe: first, dark: !wide, keys: first });
        }
      } finally {
        await context.close();
      }
    }
    // A visitor who asked for reduced motion: the show waits for the play button.
    const context = await browser.newContext({ viewport: MODERN_SCREENS[0].viewport, reducedMotion: 'reduce' });
    this.watch(context);
    try {
      const page = await context.newPage();
      const slide = await this.slideShowOf(page, pathToFileURL(firstPage).href);
      if (slide) await this.checkReducedMotion(page, slide);
      await page.close();
    } finally {
      await context.close();
    }
  }

  // The index pages of a modern album in order, from its first page along the "next" links.
  async modernIndexPages(context, firstPage) {
    const page = await context.newPage();
    const pages = [];
    for (let url = pathToFileURL(firstPage).href; url && !pages.includes(url);) {
      pages.push(url);
      await page.goto(url, { waitUntil: 'load' });
      url = await page.evaluate(() => document.querySelector('a[rel="next"]')?.href ?? null);
    }
    await page.close();
    return pages;
  }

  // The slide-show page an index page links to, or null.
  async slideShowOf(page, indexUrl) {
    await page.goto(indexUrl, { waitUntil: 'load' });
    return page.evaluate(() =>
      Array.from(document.querySelectorAll('nav a'), (a) => (a.textContent === 'スライドショー' ? a.href : null))
        .find((href) => href) ?? null);
  }

  async checkLayout(page, where) {
    const layout = await page.evaluate(() => ({
      scroll: document.documentElement.scrollWidth,
      width: document.documentElement.clientWidth,
      withoutAlt: Array.from(document.images).filter((img) => !img.hasAttribute('alt')).map((img) => img.getAttribute('src')),
    }));
    if (layout.scroll > layout.width) this.fail(`${where}: scrolls sideways (${layout.scroll} px in ${layout.width} px)`);
    for (const src of layout.withoutAlt) this.fail(`${where}: the picture ${JSON.stringify(src)} has no alt`);
    ++this.modernPagesChecked;
  }

  // The page's colours in the light scheme differ from those in the dark one; the page is left dark.
  async checkDarkMode(page, where) {
    const colours = () => page.evaluate(() => {
      const panel = getComputedStyle(document.querySelector('main'));
      return { background: panel.backgroundColor, text: panel.color };
    });
    await page.emulateMedia({ colorScheme: 'light' });
    const light = await colours();
    await page.emulateMedia({ colorScheme: 'dark' });
    const dark = await colours();
    if (light.background === dark.background || light.text === dark.text) {
      this.fail(`${where}: dark mode keeps the colours (${JSON.stringify(light)}, ${JSON.stringify(dark)})`);
    }
  }

  async runAxe(page, where) {
    if (!(await page.evaluate(() => typeof axe !== 'undefined'))) await page.addScriptTag({ path: AXE_SCRIPT });
    const violations = await page.evaluate(async (tags) => {
      // No preload: axe would fetch the style sheets again, which a file:// page may not.
      const result = await axe.run(document, { runOnly: { type: 'tag', values: tags }, resultTypes: ['violations'],
        preload: false });
      return result.violations.map((v) => `${v.id} (${v.impact}) at ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
    }, AXE_TAGS);
    ++this.axeRuns;
    for (const v of violations) this.fail(`${where}: axe: ${v}`);
  }

  // Checks one modern index page; returns the slide-show page it links to, or null.
  async checkModernIndex(context, url, screen, options) {
    const page = await context.newPage();
    const where = `${path.basename(fileURLToPath(url))} at ${screen.name}`;
    await page.goto(url, { waitUntil: 'load' });
    await loadAllImages(page);
    await this.checkLayout(page, where);
    if (options.shots) {
      fs.mkdirSync(path.dirname(path.resolve(options.shots)), { recursive: true });
      await page.screenshot({ path: `${options.shots}-light.png`, scale: 'css' });
    }
    const chosen = await page.evaluate(() => Array.from(document.querySelectorAll('img[srcset]'), (img) => {
      const candidates = img.getAttribute('srcset').split(',').map((c) => new URL(c.trim().split(/\s+/)[0], document.baseURI).href);
      return { current: img.currentSrc, plain: candidates[0], sharp: candidates[candidates.length - 1] };
    }));
    for (const c of chosen) {
      const expected = screen.deviceScaleFactor >= 2 ? c.sharp : c.plain;
      if (c.current === expected) ++this.sharpThumbnailsChecked;
      else this.fail(`${where}: the srcset shows ${c.current}, not ${expected}`);
    }
    if (options.tab) await this.checkTabReachesThumbnails(page, where);
    if (options.axe && !options.dark) await this.runAxe(page, `${where}, light`);
    if (options.dark) {
      await this.checkDarkMode(page, where);
      if (options.axe) await this.runAxe(page, `${where}, dark`);
      if (options.shots) await page.screenshot({ path: `${options.shots}-dark.png`, scale: 'css' });
    }
    const slide = await page.evaluate(() =>
      Array.from(document.querySelectorAll('nav a'), (a) => (a.textContent === 'スライドショー' ? a.href : null))
        .find((href) => href) ?? null);
    await page.close();
    return slide;
  }

  async checkTabReachesThumbnails(page, where) {
    const count = await page.evaluate(() => document.querySelectorAll('.grid a').length);
    const reached = new Set();
    await page.evaluate(() => document.activeElement?.blur());
    for (let i = 0; i < 2 * count + 40 && reached.size < count; ++i) {
      await page.keyboard.press('Tab');
      const at = await page.evaluate(() => Array.prototype.indexOf.call(document.querySelectorAll('.grid a'), document.activeElement));
      if (at >= 0) reached.add(at);
    }
    this.thumbnailsTabbed += reached.size;
    if (reached.size < count) this.fail(`${where}: Tab reached ${reached.size} of ${count} thumbnails`);
  }

  async slideState(page) {
    return page.evaluate(() => ({
      src: document.getElementById('slide')?.getAttribute('src') ?? null,
      complete: document.getElementById('slide')?.complete ?? true,
      button: document.getElementById('slide-pause').textContent,
    }));
  }

  // Waits, in real time, until the picture shown has loaded: the show moves on only then.
  async slideLoaded(page) {
    for (let i = 0; i < 50 && !(await this.slideState(page)).complete; ++i) await new Promise((done) => setTimeout(done, 100));
  }

  async checkModernSlideShow(context, url, screen, options) {
    let page = await context.newPage();
    const where = `${path.basename(fileURLToPath(url))} at ${screen.name}`;
    await page.goto(url, { waitUntil: 'load' });
    await this.checkLayout(page, where);
    const pictures = await page.evaluate(() => JSON.parse(document.getElementById('slide-data').textContent).pictures.map((p) => p.src));
    for (const src of pictures) this.checkTarget(new URL(src, url).href, where, `slide show picture ${src}`);
    if (options.axe && !options.dark) await this.runAxe(page, `${where}, light`);
    if (options.dark) {
      await this.checkDarkMode(page, where);
      if (options.axe) await this.runAxe(page, `${where}, dark`);
    }
    if (options.keys && pictures.length >= 2) {
      // Driven on a page whose timers run on a clock of the check's own, stopped from the start:
      // the show moves on only when the check lets the time run, and minutes of it take no time.
      await page.close();
      page = await context.newPage();
      await page.clock.install();
      await page.goto(url, { waitUntil: 'load' });
      await stopClock(page);
      const shows = async (index, what) => {
        const state = await this.slideState(page);
        if (state.src !== pictures[index]) {
          this.fail(`${where}: ${what}: shows ${JSON.stringify(state.src)}, not picture ${index + 1} ${JSON.stringify(pictures[index])}`);
          return false;
        }
        return true;
      };
      let ok = await shows(0, 'at the start');
      await this.slideLoaded(page);
      await page.clock.runFor(SLIDE_INTERVAL_MS + 100);
      ok = (await shows(1, 'after the interval')) && ok;
      await page.keyboard.press('Space');
      if ((await this.slideState(page)).button !== '再生') this.fail(`${where}: Space did not pause the show`);
      await this.slideLoaded(page);
      await page.clock.runFor(4 * SLIDE_INTERVAL_MS);
      ok = (await shows(1, 'paused')) && ok;
      await page.keyboard.press('ArrowRight');
      ok = (await shows(2 % pictures.length, 'after ArrowRight')) && ok;
      await page.keyboard.press('ArrowLeft');
      await page.keyboard.press('ArrowLeft');
      ok = (await shows(0, 'after ArrowLeft twice')) && ok;
      await page.keyboard.press('ArrowLeft');
      ok = (await shows(pictures.length - 1, 'after ArrowLeft from the first')) && ok;
      await page.keyboard.press('Space');
      await this.slideLoaded(page);
      await page.clock.runFor(SLIDE_INTERVAL_MS + 100);
      ok = (await shows(0, 'resumed')) && ok;
      const back = await page.evaluate(() => document.getElementById('slide-back').href);
      try {
        await Promise.all([page.waitForURL(back, { timeout: PREVIEW_LIMIT_MS }), page.keyboard.press('Escape')]);
      } catch (e) {
        ok = false;
        this.fail(`${where}: Esc did not go back to ${back}`);
      }
      if (ok) ++this.modernSlideShowsChecked;
    }
    await page.close();
  }

  async checkReducedMotion(page, url) {
    const where = `${path.basename(fileURLToPath(url))} with reduced motion`;
    await page.clock.install();
    await page.goto(url, { waitUntil: 'load' });
    await stopClock(page);
    const start = await this.slideState(page);
    await this.slideLoaded(page);
    await page.clock.runFor(4 * SLIDE_INTERVAL_MS);
    const later = await this.slideState(page);
    if (later.src !== start.src || later.button !== '再生') {
      this.fail(`${where}: the show moved on by itself (${JSON.stringify(start.src)} to ${JSON.stringify(later.src)})`);
    }
    // From the keyboard: a click would wait for animation frames, which the stopped clock holds.
    await page.getByRole('button', { name: '再生' }).focus();
    await page.keyboard.press('Enter');
    await page.clock.runFor(SLIDE_INTERVAL_MS + 100);
    if ((await this.slideState(page)).src === start.src) this.fail(`${where}: the play button did not start the show`);
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
    console.error('usage: node check_album.mjs [--chromium PATH] [--screenshot FILE] [--modern-screenshots PREFIX] ' +
      '[--modern FIRST_PAGE.html]... FIRST_PAGE.html...');
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
  let browser = null;
  try {
    for (const album of [...options.albums, ...options.modern]) await checker.checkAlbum(context, album);
    if (options.modern.length > 0) {
      browser = await chromium.launch({ executablePath: options.chromium, headless: true,
        args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
          '--disable-component-update', '--disable-sync'] });
      for (const [i, album] of options.modern.entries()) {
        await checker.checkModernAlbum(browser, album, i === 0 ? options.modernScreenshots : null);
      }
    }
    if (options.screenshot) {
      const page = await context.newPage();
      await page.goto(pathToFileURL(options.albums[0]).href, { waitUntil: 'load' });
      fs.mkdirSync(path.dirname(path.resolve(options.screenshot)), { recursive: true });
      await page.screenshot({ path: options.screenshot, fullPage: true });
      await page.close();
    }
  } finally {
    if (browser) await browser.close();
    await context.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
  console.log(`browser check: ${options.albums.length + options.modern.length} albums, ${checker.pagesVisited} pages, ` +
    `${checker.imagesLoaded} pictures loaded, ${checker.linksChecked} links checked ` +
    `(${checker.externalLinks} external not followed), ${checker.previewsShown} previews shown, ` +
    `${checker.slideShowsChecked} slide shows moved on, ${checker.scriptErrors} script or console errors, ` +
    `${checker.dialogs} dialogs; modern: ${checker.modernPagesChecked} pages laid out, ` +
    `${checker.sharpThumbnailsChecked} srcset choices, ${checker.thumbnailsTabbed} thumbnails reached by Tab, ` +
    `${checker.modernSlideShowsChecked} slide shows driven by keys, ${checker.axeRuns} axe runs; ` +
    `${checker.failures.length} failures`);
  process.exit(checker.failures.length === 0 ? 0 : 1);
}

main().catch((error) => {
  console.error(`browser check: ${error.stack || error}`);
  process.exit(1);
});
