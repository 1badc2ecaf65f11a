// Drives one browser for the browser tests (tests/e2e/harness.py, class Browser): Chromium from Debian over
// DevTools, headless, or Firefox ESR over WebDriver BiDi, windowed on the X display the caller gives.
// Reads one JSON command a line on stdin and answers each with one JSON line on stdout:
//   {"op": "launch", "browser": "chromium"|"firefox", "display": ":5", "offline": false, "raf": null|60,
//    "ticks": null|60, "slow_draw": 0, "busy": null|[50, 200], "no_webgl": false,   timers and frames on
//    ticks of that rate, ms more each drawn frame, the page's thread blocked [ms] every [ms]
//    "grab": [1, 2, 500], "audio_seconds": 0, "gl_calls": 0, "gl_only": null}   gl_calls: GL lines up to the
//    end of that frame; gl_only: only the lines that start so, and "# frame N" after each frame's
//   {"op": "emulate", "width": 390, "height": 844, "dpr": 3}   a phone;  {"op": "touch", "selector": "...", "hold": ms}
//   {"op": "goto", "url": "..."}                  opens the page with the test hooks in place
//   {"op": "eval", "expr": "..."}                 the expression's value (JSON)
//   {"op": "wait", "expr": "...", "timeout": s}   polls until the expression is truthy; its value
//   {"op": "click", "selector": "..."}  {"op": "key", "key": "Escape"}  {"op": "type", "selector": "...", "text": "..."}
//   {"op": "save", "expr": "...", "file": "...", "base64": true, "append": false}  the string value to a file
//   {"op": "close"}
// Answers are {"ok": true, "value": ...} or {"ok": false, "error": "..."}.
'use strict';
const fs = require('fs');
const readline = require('readline');
const puppeteer = require('puppeteer-core');

// In the page before its own scripts: the hooks the page calls when window.glimmerhornTest exists, and
// what they collect, read back through window.__gh.
function install(options) {
    const wanted = new Set(options.grab || []);
    const gh = window.__gh = { wanted, glOpen: true, frames: [], boxes: [], ends: [], audio: [], audioFrames: 0, audioDone: false, rate: 0, gl: [],
        pixels: {}, context: null, steps: [], inFrame: false, downloads: [], alerts: [], underruns: 0, letGo: [], lost: 0 };
    window.addEventListener('webglcontextlost', () => { gh.lost++; }, true);
    window.alert = (message) => { gh.alerts.push(String(message)); };
    const base64 = (bytes) => {
        let text = '';
        for (let i = 0; i < bytes.length; i += 0x8000)
            text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
        return btoa(text);
    };
    gh.takePixels = (n) => { const p = gh.pixels[n]; return p && { width: p.width, height: p.height, rgba: base64(p.rgba) }; };
    gh.takeAudio = () => {
        const frames = gh.audio.reduce((sum, block) => sum + block[0].length, 0);
        const out = new Float32Array(frames * 2);
        let at = 0;
        for (const [left, right] of gh.audio)
            for (let i = 0; i < left.length; i++, at += 2) { out[at] = left[i]; out[at + 1] = right[i]; }
        return base64(new Uint8Array(out.buffer));
    };
    gh.takeGl = () => { const lines = gh.gl; gh.gl = []; return lines.length ? lines.join('\n') + '\n' : ''; };
    // step time: how long each timer or animation-frame callback that presents a frame runs
    const timed = (schedule) => function (callback, ...rest) {
        if (typeof callback !== 'function')
            return schedule.call(this, callback, ...rest);
        return schedule.call(this, function (...args) {
            const start = performance.now();
            gh.inFrame = false;
            try { return callback.apply(this, args); } finally {
                if (gh.inFrame) gh.steps.push(performance.now() - start);
            }
        }, ...rest);
    };
    const spin = (ms) => { const until = performance.now() + ms; while (performance.now() < until); };
    if (options.ticks) { // a callback at the first tick after now + delay, never before it (a timeout may come early)
        const period = 1000 / options.ticks, start = performance.now(), plain = window.setTimeout;
        const onTick = (callback, delay) => {
            const due = start + Math.ceil((performance.now() + Math.max(0, delay || 0) - start + 0.01) / period) * period;
            const check = () => { const left = due - performance.now(); if (left > 0) plain(check, left); else callback(); };
            return plain(check, due - performance.now());
        };
        window.setTimeout = (callback, delay, ...rest) => onTick(() => callback(...rest), delay);
        window.requestAnimationFrame = (callback) => onTick(() => callback(performance.now()), 0);
        window.cancelAnimationFrame = (id) => window.clearTimeout(id);
    }
    if (options.busy)
        setInterval(() => spin(options.busy[0]), options.busy[1]);
    window.setTimeout = timed(window.setTimeout);
    if (options.ticks) {
        // animation frames are the ticks' (above)
    } else if (options.raf) {
        // a display refreshing at options.raf Hz in place of the browser's own. Made of timeouts, it has none of
        // the real one's back-pressure: on a loaded machine the page draws ahead of the GPU process, and a later
        // frame's drawing then blocks the page for seconds, a stall that the steps let go account for
        const period = 1000 / options.raf;
        const start = performance.now();
        window.requestAnimationFrame = (callback) => {
            const now = performance.now();
            const next = start + Math.ceil((now - start + 0.01) / period) * period;
            return window.setTimeout(() => callback(performance.now()), next - now);
        };
        window.cancelAnimationFrame = (id) => window.clearTimeout(id);
    } else {
        window.requestAnimationFrame = timed(window.requestAnimationFrame);
    }
    document.addEventListener('click', (e) => { if (e.target.closest && e.target.closest('dialog.box')) gh.answered = performance.now(); }, true);
    window.glimmerhornTest = {
        // with gl_only every step up to gl_calls is drawn: its lines are each step's
        drawStep(number) { return wanted.has(number) || (!!options.gl_only && number <= options.gl_calls); },
        onFrame(number, gl, canvas) {
            gh.inFrame = true;
            gh.context = gl;
            gh.frames.push([number, performance.now(), canvas.width, canvas.height]);
            if (options.gl_calls && gh.glOpen)
                gh.gl.push('# frame ' + number); // the lines before it made this frame
            if (options.gl_calls && number >= options.gl_calls)
                gh.glOpen = false;
            spin(options.slow_draw || 0);
            if (wanted.has(number)) {
                const width = gl.drawingBufferWidth, height = gl.drawingBufferHeight;
                const rgba = new Uint8Array(width * height * 4);
                gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, rgba);
                gh.pixels[number] = { width, height, rgba };
            }
        },
        onAudio(left, right, rate) {
            gh.rate = rate;
            if (gh.audioFrames < (options.audio_seconds || 0) * rate) {
                gh.audio.push([Float32Array.from(left), Float32Array.from(right)]);
                gh.audioFrames += left.length;
                gh.audioDone = gh.audioFrames >= options.audio_seconds * rate;
            }
        },
        onUnderrun(count) { gh.underruns = count; },
        onLetGo(count) { gh.letGo.push([count, performance.now()]); },
        onEnd(status) { gh.ends.push([status, performance.now()]); },
        onBox(caption, text, buttons) { gh.boxes.push({ caption, text, buttons: Array.from(buttons || []) }); gh.boxAt = performance.now(); },
        onGlCall(line) { if (options.gl_calls && gh.glOpen && line.startsWith(options.gl_only || '')) gh.gl.push(line); },
        onDownload(name, html) { gh.downloads.push([name, html]); },
    };
}

let browser = null;
let page = null;
let options = {};

async function launch(command) {
    options = command;
    const common = { defaultViewport: { width: 800, height: 600 }, protocolTimeout: 300000 };
    if (command.browser === 'firefox') {
        const prefs = command.no_webgl ? { 'webgl.disabled': true } : { 'webgl.force-enabled': true };
        // full screen at once, and no notice over the page while it is
        Object.assign(prefs, { 'media.autoplay.default': 0, 'full-screen-api.warning.timeout': 0,
            'full-screen-api.transition-duration.enter': '0 0', 'full-screen-api.transition-duration.leave': '0 0' });
        if (command.offline)
            Object.assign(prefs, { 'network.proxy.type': 1, 'network.proxy.http': '127.0.0.1', 'network.proxy.http_port': 9,
                'network.proxy.ssl': '127.0.0.1', 'network.proxy.ssl_port': 9, 'network.proxy.no_proxies_on': '',
                'network.proxy.allow_hijacking_localhost': true });
        browser = await puppeteer.launch(Object.assign(common, { browser: 'firefox', executablePath: '/usr/bin/firefox-esr',
            headless: false, env: Object.assign({}, process.env, command.env, { DISPLAY: command.display }), extraPrefsFirefox: prefs }));
    } else {
        const args = ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--ignore-gpu-blocklist'];
        if (command.no_webgl)
            args.push('--disable-webgl', '--disable-3d-apis');
        if (command.offline)
            args.push('--proxy-server=http://127.0.0.1:9', '--proxy-bypass-list=<-loopback>');
        browser = await puppeteer.launch(Object.assign(common, { executablePath: '/usr/bin/chromium', headless: true, args }));
    }
    page = (await browser.pages())[0] || await browser.newPage();
    await page.setViewport({ width: 800, height: 600 }); // a window's own size is the window manager's
    page.on('console', (message) => process.stderr.write('console: ' + message.text() + '\n'));
    page.on('pageerror', (error) => process.stderr.write('page error: ' + error.message + '\n'));
    options.requests = [];
    page.on('request', (request) => options.requests.push(request.url()));
    await page.evaluateOnNewDocument(install, command);
    return (await browser.version());
}

const ops = {
    launch,
    goto: async (c) => { await page.goto(c.url, { waitUntil: 'load', timeout: 120000 }); return options.requests; },
    requests: async () => options.requests,
    eval: async (c) => page.evaluate(c.expr),
    wait: async (c) => {
        const handle = await page.waitForFunction(c.expr, { timeout: (c.timeout || 60) * 1000, polling: 50 });
        return handle.jsonValue();
    },
    click: async (c) => { await page.click(c.selector); return true; },
    emulate: async (c) => {
        await page.emulate({ viewport: { width: c.width, height: c.height, deviceScaleFactor: c.dpr, isMobile: true, hasTouch: true },
            userAgent: 'Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0 Mobile Safari/537.36' });
        return true;
    },
    touch: async (c) => {
        const box = await (await page.$(c.selector)).boundingBox();
        const x = box.x + box.width / 2, y = box.y + box.height / 2;
        await page.touchscreen.touchStart(x, y);
        await new Promise((resolve) => setTimeout(resolve, c.hold || 0));
        await page.touchscreen.touchEnd();
        return true;
    },
    key: async (c) => { await page.keyboard.press(c.key); return true; },
    type: async (c) => { await page.type(c.selector, c.text); return true; },
    save: async (c) => {
        const value = await page.evaluate(c.expr);
        if (typeof value != 'string')
            throw new Error(c.expr + ' gave ' + typeof value + ', not a string');
        const data = c.base64 ? Buffer.from(value, 'base64') : Buffer.from(value, 'utf8');
        (c.append ? fs.appendFileSync : fs.writeFileSync)(c.file, data);
        return data.length;
    },
    close: async () => { if (browser) await browser.close(); browser = null; return true; },
};

async function main() {
    const lines = readline.createInterface({ input: process.stdin });
    for await (const line of lines) {
        if (!line.trim())
            continue;
        let answer;
        try {
            const command = JSON.parse(line);
            answer = { ok: true, value: await ops[command.op](command) };
        } catch (error) {
            answer = { ok: false, error: String(error && error.stack || error) };
        }
        process.stdout.write(JSON.stringify(answer === undefined ? null : answer) + '\n');
    }
    if (browser)
        await browser.close();
}

main();
