"""The web build's page in Chromium and Firefox ESR (harness.Browser): the question's box, Yes and No, the
keys, one Esc in full screen, a missing and a bad gfx.data, the pace of 100 steps a second at any display
rate, a lost WebGL context, the messages without WebGL, program or sound, a phone, the single file from
file:// with the network off, and the composer of a sender's own greeting: its live line, the
preview, the file and the link it makes, a broken link. The site is tools/web.sh's build-web/site."""
import base64
import os
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import test_music  # noqa: E402
import test_windows  # noqa: E402

SITE = os.path.join(harness.web_build(), "site")
TRACE = os.path.join(harness.web_build(), "trace")
BACKDROP = (0, 0, 800, 600)
MAX_STEPS_A_FRAME = 25  # the steps one shown frame runs at most (platform/web/frame_timer.cpp)
# A sender's text and what the scroller is to take from it: capitals small, the marks dropped (but
# a-umlaut's own glyph kept), the cake a gap (byte 0x1A), < and > kept as bytes with no glyph, framed
# by 14 and 8 spaces.
SENDER = "\u00c4\u00e9\U0001F382 Hi </script><img src=x onerror=alert(1)>"
FOLDED = b"\xe4e\x1a hi </script><img src=x onerror=alert(1)>"
FRAMED = b" " * 14 + FOLDED + b" " * 8
FRAMES = 150  # the line moves on a letter every 23 or 24 frames: past the gaps by then


class Page(unittest.TestCase):
    def browser(self, browser, folder=SITE, **options):
        out = harness.output_dir(name="%s.%s" % (self.id(), browser))
        return harness.enter(self, harness.Browser(browser, folder=folder, out_dir=out, **options))

    def site_copy(self, picture):
        """A copy of the site whose gfx.data is ``picture`` (bytes), or that has none (None)."""
        folder = tempfile.mkdtemp(prefix="glimmerhorn-site-")
        self.addCleanup(shutil.rmtree, folder, True)
        shutil.copytree(SITE, folder, dirs_exist_ok=True)
        os.remove(os.path.join(folder, "gfx.data"))
        if picture is not None:
            with open(os.path.join(folder, "gfx.data"), "wb") as f:
                f.write(picture)
        return folder

    def assert_runs(self, page, frames=100):
        """Frames keep coming and onEnd has not been called."""
        before = len(page.frames())
        page.wait_frames(before + frames)
        self.assertEqual(page.ends(), [])

    def test_question_answers_and_keys(self):
        for browser in harness.browsers():
            for yes, answer_by, exit_key in ((True, "Enter", "Escape"), (False, "click", "q")):
                with self.subTest(browser=browser, yes=yes):
                    page = self.browser(browser)
                    page.open()
                    box = page.wait_for_box()
                    self.assertEqual(box, {"caption": harness.TITLE, "text": test_windows.QUESTION,
                                           "buttons": [["yes", "Yes"], ["no", "No"]]})
                    self.assertEqual(page.eval("__gh.boxes"), [{"caption": harness.TITLE, "text": test_windows.QUESTION,
                                                                "buttons": ["yes", "no"]}])
                    self.assertTrue(page.eval("!!document.querySelector('#about')"), "no line of what it is")
                    if answer_by == "Enter":  # Return answers Yes
                        page.key("Enter")
                        page.wait("!document.querySelector('dialog.box[open]')", 10.0, "the box to close")
                    else:
                        page.answer(yes)
                    page.wait_frames(3)
                    self.assertEqual(len(page.eval("__gh.boxes")), 1, "a box came after the question")
                    for key in ("a", "Q", " ", "Enter", "Backspace"):
                        page.key(key)
                    self.assert_runs(page)
                    self.assertTrue(page.eval("!document.querySelector('#again') || "
                                              "document.querySelector('#again').offsetParent === null"),
                                    "the way to watch it again shows while it runs")
                    page.key(exit_key)
                    page.wait("__gh.ends.length", 10.0, "onEnd")
                    page.wait("document.querySelector('#again') && document.querySelector('#again').offsetParent !== null",
                              10.0, "the #again button")
                    count = len(page.frames())
                    time.sleep(0.5)
                    self.assertLessEqual(len(page.frames()), count + 1, "frames go on after the end")
                    page.call("click", selector="#make-line a")
                    page.wait("document.body.classList.contains('composing')", 10.0, "the composer")

    def test_missing_and_bad_picture_boxes_in_order_then_a_white_backdrop(self):
        bad = b"\x01GIF89a, not a JPEG stream at all"
        cases = ((None, [(harness.TITLE, "Can't open JPEG file gfx.data")]),
                 (bad, [("JPEG Error", "Not a JPEG file: starts with 0x47 0x49")]))
        for browser in harness.browsers():
            for picture, warnings in cases:
                with self.subTest(browser=browser, picture=picture):
                    page = self.browser(browser, folder=self.site_copy(picture), grab=(50,))
                    page.start(yes=True, frames=0)
                    for caption, text in warnings + [(harness.TITLE, "Could not load the background")]:
                        box = page.wait_for_box()
                        self.assertEqual((box["caption"], box["text"].rstrip("\n")), (caption, text))
                        self.assertEqual(box["buttons"], [["ok", "OK"]])
                        page.press_box("ok")
                    shot = page.frame(50)
                    shot.save_png(os.path.join(page.out_dir, "white_backdrop.png"))
                    white = shot.region(2, 2, 796, 596).count(lambda p: p == (255, 255, 255))
                    self.assertGreater(white, 0.9 * 796 * 596)
                    self.assertEqual(len(page.eval("__gh.boxes")), 1 + len(warnings) + 1)  # the question first

    def assert_steps_kept(self, page, first=19):
        """No step is lost unseen, from drawn frame ``first`` on: one is due each 10 ms of the page's clock, and
        those not run are let go. A drawn frame's number is the steps due at its animation frame, its time when
        it was drawn: on a loaded software renderer the two ends of the window may each lag by one frame's
        catch-up. A stall in the window's last drawn frame itself (the browser blocking the page in its drawing)
        is let go at the next animation frame, before the frame after it: its steps count with the window.
        Returns the drawn steps' numbers and page times, and the steps let go."""
        frames = page.frames()[first:]
        numbers, times = zip(*[f[:2] for f in frames[:-1]])
        let_go = sum(n for n, at in page.eval("__gh.letGo") if times[0] < at <= frames[-1][1])
        due, ran = (times[-1] - times[0]) / 10, numbers[-1] - numbers[0]
        self.assertTrue(ran <= due * 1.01 + 2 and (ran >= due * 0.99 - 2 or
                                                   ran + let_go >= due * 0.99 - 2 * MAX_STEPS_A_FRAME),
                        "%d steps run, %d let go, %.0f due, %d contexts lost" % (ran, let_go, due, page.eval("__gh.lost")))
        return numbers, times, let_go

    def test_pace_is_100_steps_a_second_whatever_the_display(self):
        # The drawn steps' numbers against the page's clock over 10 s, with timers and animation frames on 60 and
        # 30 Hz ticks, a 144 Hz display and 30 ms more a drawn frame: a step every 10 ms, but for those a stall of
        # more than MAX_STEPS_A_FRAME steps (a loaded machine's) let go, and only such a stall. A held display gets
        # no more frames drawn than it shows.
        for browser in harness.browsers():
            for options, shown in (({"ticks": 60}, 60), ({"ticks": 30}, 30), ({"raf": 144}, 1000), ({"slow_draw": 30}, 1000)):
                with self.subTest(browser=browser, **options):
                    page = self.browser(browser, **options)
                    page.start(yes=False, frames=20)
                    time.sleep(10.5)
                    numbers, times, let_go = self.assert_steps_kept(page)
                    gaps = [b - a for a, b in zip(times, times[1:])]
                    self.assertEqual(list(numbers), sorted(set(numbers)), "steps drawn twice or out of order")
                    self.assertTrue(let_go == 0 or max(gaps) > (MAX_STEPS_A_FRAME - 10) * 10 or page.eval("__gh.lost"),
                                    "let go without a stall")
                    self.assertLessEqual(len(gaps) * 1000.0 / (times[-1] - times[0]), shown * 1.02, "frames drawn a second")

    def test_one_escape_or_leaving_full_screen_ends_it(self):
        for browser in harness.browsers():
            for way in ("Escape", "exit"):
                with self.subTest(browser=browser, way=way):
                    page = self.browser(browser)
                    page.start(yes=True, frames=20)
                    page.wait("document.fullscreenElement", 10.0, "full screen")
                    page.key("Escape") if way == "Escape" else page.eval("document.exitFullscreen().then(() => true)")
                    page.wait("__gh.ends.length && !document.fullscreenElement", 10.0, "the end, out of full screen")
                    self.assertEqual((page.ends(), page.eval("document.activeElement.id")), ([0], "again"))

    def test_what_went_wrong_is_told_in_the_page(self):
        for browser in harness.browsers():
            page = self.browser(browser, no_webgl=True)
            page.start(yes=True, frames=0)  # the question first
            box = page.wait_for_box()
            self.assertEqual(box["caption"], "Glimmerhorn")
            self.assertIn("cannot draw the intro: WebGL is turned off or not available here.\nTurn on WebGL", box["text"])
            page.press_box("ok")
            page.wait("__gh.ends.length", 10.0, "onEnd")
            self.assertEqual(page.ends(), [1])
            if browser == "firefox":  # no sound server: the music's box within a second of the answer
                page = self.browser(browser, no_sound=True)
                page.start(yes=True, frames=0)
                self.assertEqual(page.wait_for_box()["text"], "BASS initialization failed! No music!")
                self.assertLess(page.eval("__gh.boxAt - __gh.answered"), 1000.0)
            page = self.browser(browser)  # the site's page from disk: no program in Chromium (Firefox reads beside it)
            page.open(os.path.join(SITE, "index.html"))
            text = page.wait("!document.querySelector('#failed').hidden && document.querySelector('#failed').textContent"
                             " || document.querySelector('dialog.box[open]') && 'the question'", 30.0)
            if browser == "firefox" and text == "the question":
                continue
            self.assertIn("opened from disk", text)
            self.assertIn("glimmerhorn.html, the single page of the release, plays from disk", text)

    def test_a_phone_taps_fits_turns_and_ends_by_touch(self):
        for end in ("#close", "#canvas")[:2 if "chromium" in harness.browsers() else 0]:
            page = self.browser("chromium")
            page.call("emulate", width=390, height=844, dpr=3)
            page.open()
            page.wait_for_box()
            page.call("touch", selector="dialog.box[open] button[value=yes]")
            for width, height, fit in ((390, 844, (1170, 877)), (844, 390, (1560, 1170))):  # 4:3 at 3 pixels a pixel
                page.call("emulate", width=width, height=height, dpr=3)
                page.wait("(c => c.width == %d && c.height == %d && Math.abs(c.getBoundingClientRect().width - %f) < 1)"
                          "(document.querySelector('#canvas'))" % (fit[0], fit[1], fit[0] / 3), 10.0, "the fit")
            self.assertEqual(page.eval("getComputedStyle(document.querySelector('#stage')).userSelect"), "none")
            page.call("touch", selector=end, hold=0 if end == "#close" else 900)
            page.wait("__gh.ends.length", 10.0, "onEnd")
            self.assertEqual(page.ends(), [0])

    def test_a_lost_context_is_restored_and_the_intro_draws_on(self):
        for browser in harness.browsers():
            with self.subTest(browser=browser):
                # a greeting of one full stop: the restored frame is the picture, which no letter covers
                page = self.browser(browser)
                page.start(yes=True, page="index.html#g=Lg", frames=100)
                before = len(page.frames())
                page.lose_context(1500)
                page.wait("__gh.context.isContextLost()", 10.0, "the context to be lost")
                page.wait("!__gh.context.isContextLost()", 30.0, "the context to come back")
                number = page.frames()[-1][0] + 50
                page.grab_frame(number)
                shot = page.frame(number)
                shot.save_png(os.path.join(page.out_dir, "restored.png"))
                self.assertEqual(harness.frame_problems(shot, BACKDROP), [])
                self.assertEqual(page.eval("__gh.boxes.length"), 1)
                self.assert_runs(page)
                # the steps whose turn came while nothing could be drawn (a second and a half or more) are let go
                self.assertGreaterEqual(self.assert_steps_kept(page, first=before - 1)[2], 140)

    def test_the_single_file_plays_from_file_url_with_the_network_off(self):
        single = os.path.join(harness.web_build(), "glimmerhorn.html")
        self.assertTrue(os.path.isfile(single), single)
        folder = tempfile.mkdtemp(prefix="glimmerhorn-single-")  # alone: nothing beside it to load
        self.addCleanup(shutil.rmtree, folder, True)
        shutil.copy(single, folder)
        for browser in harness.browsers():
            with self.subTest(browser=browser):
                page = self.browser(browser, folder=None, offline=True, grab=(2,), audio_seconds=2)
                page.start(yes=True, page=os.path.join(folder, "glimmerhorn.html"))
                self.assertEqual(harness.frame_problems(page.frame(2), BACKDROP), [])
                sound, _rate = page.audio()
                start = test_music.first_sound(sound)
                self.assertLess(start, len(sound) // 2, "the first second was silent")
                self.assertGreater(test_music.rms_db(sound[start:]), -50.0)
                self.assertEqual(page.eval("__gh.boxes.length"), 1, "a box came after the question")
                self.assertEqual([u for u in page.call("requests") if not u.startswith(("file:", "data:", "blob:"))], [])

    def assert_plays(self, page, framed, yes=True):
        """Answers the question; the scroller's glyphs of the first FRAMES frames are ``framed``'s bytes
        from its start, the line moving on one letter at a time."""
        page.wait_for_box()
        page.answer(yes)
        start = 0
        for number, names in enumerate(page.glyph_calls(FRAMES), 1):
            if names != [framed[(start + i) % len(framed)] for i in range(18)]:
                start += 1
            self.assertEqual(names, [framed[(start + i) % len(framed)] for i in range(18)], "frame %d" % number)
        self.assertGreaterEqual(start, 5, "the line did not move")
        self.assertEqual(page.eval("[__gh.alerts, document.querySelectorAll('img').length]"), [[], 0])

    def test_composer_folds_previews_and_makes_a_file_and_a_link_that_play_the_text(self):
        folder = tempfile.mkdtemp(prefix="glimmerhorn-greeting-")
        self.addCleanup(shutil.rmtree, folder, True)
        for browser in harness.browsers():
            with self.subTest(browser=browser):
                page = self.browser(browser, folder=TRACE, gl_calls=FRAMES, gl_only="glCallList")
                page.open("index.html#make")  # the composer at once, holding the intro's own text
                own = page.wait("document.querySelector('#greeting-shown').textContent && "
                                "document.querySelector('#greeting-box').value", 60.0, "the composer")
                self.assertEqual((len(own), own[0] != " ", page.eval("__gh.boxes.length")), (3061 - 22, True, 0))
                page.eval("document.querySelector('#greeting-box').select(), true")
                page.call("type", selector="#greeting-box", text=SENDER)
                shown = page.wait("document.querySelector('#greeting-shown').textContent == %r && "
                                  "document.querySelector('#greeting-gaps').textContent"
                                  % FOLDED.decode("latin-1").replace("\x1a", "\u25a1"), 30.0, "the live line")
                self.assertEqual(shown, "Gaps, with no letter in the font: \u201c\U0001F382\u201d U+1F382, "
                                 "\u201c<\u201d U+003C \u00d72, \u201c>\u201d U+003E \u00d72.")
                page.call("click", selector="#greeting-copy")
                link = page.wait("document.querySelector('#greeting-link').value", 30.0, "the link")
                self.assertEqual(link.split("#g=")[0], page.url("index.html"))
                self.assertEqual(base64.urlsafe_b64decode(link.split("#g=")[1] + "=="), SENDER.encode())
                page.call("click", selector="#greeting-download")
                name, html = page.wait("__gh.downloads[0]", 60.0, "the download")
                with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
                    f.write(html)
                page.call("click", selector="#greeting-preview")
                self.assert_plays(page, FRAMED)
                page.key("Escape")
                page.wait("document.body.classList.contains('composing') && "
                          "document.activeElement.id == 'greeting-box'", 30.0, "the composer again")
                self.assertEqual(page.eval("document.querySelector('#greeting-box').value"), SENDER)
                page.call("click", selector="#greeting-preview")  # again, in 16-bit colour: a new canvas
                page.wait_for_box()
                page.answer(False)
                page.wait("!__gh.context.getContextAttributes().alpha && __gh.frames.length > %d" % (FRAMES + 10),
                          60.0, "No's frames")
                design = b" " * 14 + own.encode("latin-1") + b" " * 8
                file = "file://" + os.path.join(folder, name)
                for opened, framed, broken in ((file, FRAMED, False), (link, FRAMED, False),
                                               (page.url("index.html#g=4pyTx"), design, True),  # not UTF-8
                                               (page.url("index.html#g=!"), design, True)):  # not base64url
                    with self.subTest(opened=opened[-20:]):
                        page = self.browser(browser, folder=TRACE, gl_calls=FRAMES, gl_only="glCallList",
                                            offline=opened == file)
                        page.call("goto", url=opened)
                        self.assert_plays(page, framed)
                        self.assertEqual(bool(page.eval("document.querySelector('#note').textContent")), broken)
                        if opened == file:
                            self.assertEqual([u for u in page.call("requests") if u.startswith("http")], [])

    def test_the_single_file_makes_the_same_single_file_with_the_greeting_inside(self):
        single = os.path.join(harness.web_build(), "glimmerhorn.html")
        with open(single, encoding="utf-8") as f:
            made = f.read()
        text = "Happy birthday, Anna! \U0001F382"
        data = '<script type="application/octet-stream" id="%s">'
        block = data % "greeting-text" + base64.b64encode(text.encode()).decode() + "</script>\n"
        expected = made.replace(data % "gfx-data", block + data % "gfx-data")
        for browser in harness.browsers():
            with self.subTest(browser=browser):
                page = self.browser(browser, folder=None, offline=True)
                page.call("goto", url=page.url(single + "#make"))
                page.wait("document.querySelector('#greeting-box').value", 60.0, "the composer")
                self.assertIn("needs the site on a web host",
                              page.eval("document.querySelector('#greeting-link-note').textContent"))
                self.assertTrue(page.eval("document.querySelector('#greeting-copy').hidden"))
                page.eval("document.querySelector('#greeting-box').select(), true")
                page.call("type", selector="#greeting-box", text=text)
                page.wait("document.querySelector('#greeting-gaps').textContent.includes('U+1F382')", 30.0,
                          "the cake's gap")
                page.call("click", selector="#greeting-download")
                name, html = page.wait("__gh.downloads[0]", 60.0, "the download")
                self.assertEqual(name, "glimmerhorn-happy-birthday-anna.html")
                self.assertTrue(html == expected, "the file differs from the single file with the text inside")


if __name__ == "__main__":
    harness.main()
