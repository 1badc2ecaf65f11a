// The entry's start-up order, the timer failures, the question and the exit keys, on scripted layers.
#include <gtest/gtest.h>

#include <GL/glut.h>

#include <cstdio>
#include <cstdlib>

#include "app.h"
#include "fakes.h"
#include "platform.h"

namespace
{

const char QUESTION[] = "Glimmerhorn!|Would You like to see the intro in its glorious 32-bit mode\n"
                        "with transparency effects of extraordinary magnitude?";

class StartUp : public testing::Test
{
protected:
    void SetUp() override
    {
        fake_platform_reset();
        fake_calls_clear();
        app_reset();
    }
};

// What on_display sends for one frame.
const std::vector<std::string> PACED_FRAME = {
    "frame_timer_reset( )",
    "frame_timer_arm( 10 )",
    "glClear( 16640 )",
    "draw_frame( )",
    "glFlush( )",
    "glutSwapBuffers( )",
    "frame_timer_wait( )",
    "frame_timer_cancel( )",
};

unsigned period_for(unsigned period_min, unsigned period_max)
{
    fake_platform_reset();
    platform_script.period_min = period_min;
    platform_script.period_max = period_max;
    EXPECT_TRUE(init_frame_timer());
    return app.timer_period;
}

TEST_F(StartUp, TimerPeriodIsTheClampedMinimum)
{
    EXPECT_EQ(period_for(0, 1000000), 1u);
    EXPECT_EQ(period_for(5, 1000000), 5u);
    EXPECT_EQ(period_for(20, 10), 10u);
    EXPECT_EQ(period_for(1, 1), 1u);
}

TEST_F(StartUp, AnsweringNoRunsEveryStepInOrderIn16Bits)
{
    EXPECT_EQ(run_intro(), 0); // the fake main loop returns; the real one never does
    const std::vector<std::string> expected = {
        "frame_timer_query( )",
        "frame_timer_create( )",
        "frame_timer_begin_period( 1 )",
        "glutInitErrorFunc( )",
        "glutInit( \"argv={\"\",}\", 1 )",
        "message_box_show( \"" + std::string(QUESTION) + "\", 36 )",
        "display_mode_set( 800, 600, 16 )",
        "glutInitDisplayMode( 18 )",
        "glutInitWindowSize( 800, 600 )",
        "glutCreateWindow( \"Glimmerhorn!\" )",
        "window_class_set( \"glimmerhorn|Glimmerhorn\" )",
        "display_mode_set_on_window( )",
        "glutSetCursor( 101 )",
        "swap_control_disable( )",
        "glutFullScreen( )",
        "init_scene( \"gfx.data\", 0 )",
        "glutReshapeFunc( )",
        "glutKeyboardFunc( )",
        "glutDisplayFunc( )",
        "glutIdleFunc( )",
        "glutMainLoop( )",
    };
    EXPECT_EQ(call_lines(), expected);
    EXPECT_EQ(app.display_bpp, 16);
    EXPECT_EQ(glut_callbacks.reshape, &on_reshape);
    EXPECT_EQ(glut_callbacks.keyboard, &on_key);
    EXPECT_EQ(glut_callbacks.display, &on_display);
    EXPECT_EQ(glut_callbacks.idle, &on_idle);
}

TEST_F(StartUp, AnsweringYesAsksFor32BitsAndAlpha)
{
    platform_script.question_answer = IDYES;
    platform_script.period_min = 4;
    run_intro();
    ASSERT_EQ(fake_calls_named("init_scene").size(), 1u);
    EXPECT_EQ(fake_calls_named("init_scene")[0].args[0], 1);
    EXPECT_EQ(app.display_bpp, 32);
    ASSERT_EQ(fake_calls_named("display_mode_set").size(), 1u);
    EXPECT_EQ(fake_calls_named("display_mode_set")[0].args, (std::vector<double> { 800, 600, 32 }));
    ASSERT_EQ(fake_calls_named("glutInitDisplayMode").size(), 1u);
    EXPECT_EQ(fake_calls_named("glutInitDisplayMode")[0].args[0], 26);
    EXPECT_EQ(fake_calls_named("frame_timer_begin_period")[0].args[0], 4);
}

TEST_F(StartUp, OnlyYesSelects32Bits)
{
    for (int answer : { IDNO, IDOK, 0, -1, 2 }) {
        SetUp();
        platform_script.question_answer = answer;
        run_intro();
        ASSERT_EQ(fake_calls_named("init_scene").size(), 1u) << answer;
        EXPECT_EQ(fake_calls_named("init_scene")[0].args[0], 0) << answer;
        EXPECT_EQ(app.display_bpp, 16) << answer;
    }
}

// A timer failure shows one error box and ends start-up: no question, no display switch, no window.
void expect_timer_failure(const char* text)
{
    EXPECT_EQ(run_intro(), 1);
    const std::vector<FakeCall> boxes = fake_calls_named("message_box_show");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, std::string("Glimmerhorn|") + text);
    EXPECT_EQ(boxes[0].args, std::vector<double> { MB_ICONERROR });
    EXPECT_EQ(fake_log.calls.back().name, "message_box_show");
    for (const char* never : { "glutInitErrorFunc", "glutInit", "display_mode_set", "glutCreateWindow",
             "init_scene", "glutMainLoop" })
        EXPECT_TRUE(fake_calls_named(never).empty()) << never;
}

TEST_F(StartUp, UnreadableClockCannotCreateTheTimer)
{
    platform_script.query_ok = false;
    expect_timer_failure("Can't create timer!");
    EXPECT_EQ(app.timer_period, 0u);
    EXPECT_TRUE(fake_calls_named("frame_timer_create").empty());
}

TEST_F(StartUp, TimerThatCannotBeMadeCannotBeCreated)
{
    platform_script.create_ok = false;
    expect_timer_failure("Can't create timer!");
}

TEST_F(StartUp, RefusedPeriodCannotStartTheTimer)
{
    platform_script.begin_period_ok = false;
    expect_timer_failure("Can't start timer!");
}

TEST_F(StartUp, IdlePostsARedisplayAndAn800By600WindowChangesNothingInTheFirstFrames)
{
    run_intro();
    fake_calls_clear();
    // GLUT reshapes the window it made before the first frame, and again at each new size
    std::vector<std::string> expected;
    for (int frame = 0; frame < 3; frame++) {
        on_reshape(800, 600);
        on_display();
        on_idle();
        expected.insert(expected.end(), PACED_FRAME.begin(), PACED_FRAME.end());
        expected.push_back("glutPostRedisplay( )");
    }
    EXPECT_EQ(call_lines(), expected);
}

TEST_F(StartUp, AnyOtherWindowSizeScalesTheFrameToItsLargest4By3RectangleCentredWithOpaqueBars)
{
    const struct {
        int width, height;
        std::string viewport;
    } sizes[] = {
        { 1024, 768, "glViewport( 0, 0, 1024, 768 )" },
        { 1920, 1080, "glViewport( 240, 0, 1440, 1080 )" }, // bars of 240 left and right
        { 1280, 1024, "glViewport( 0, 32, 1280, 960 )" }, // bars of 32 above and below
        { 1366, 768, "glViewport( 171, 0, 1024, 768 )" },
        { 1600, 1200, "glViewport( 0, 0, 1600, 1200 )" },
        { 0, 0, "glViewport( 0, 0, 0, 0 )" }, // minimised
    };
    for (const auto& size : sizes) {
        fake_calls_clear();
        on_reshape(size.width, size.height);
        on_reshape(size.width, size.height); // the same size again sets nothing
        const std::vector<std::string> expected = { size.viewport, "glClearColor( 0, 0, 0, 1 )" };
        EXPECT_EQ(call_lines(), expected) << size.width << " x " << size.height;
    }
    // back to 800 x 600: the viewport and clear colour the context began with
    fake_calls_clear();
    on_reshape(800, 600);
    const std::vector<std::string> expected = { "glViewport( 0, 0, 800, 600 )", "glClearColor( 0, 0, 0, 0 )" };
    EXPECT_EQ(call_lines(), expected);
}

TEST_F(StartUp, IdleWithNoFrameDrawnSinceWaitsOutAFramePeriod)
{
    // a hidden window: GLUT calls no display between two idle calls
    on_display();
    on_idle();
    fake_calls_clear();
    on_idle();
    const std::vector<std::string> expected = {
        "frame_timer_reset( )",
        "frame_timer_arm( 10 )",
        "frame_timer_wait( )",
        "frame_timer_cancel( )",
        "glutPostRedisplay( )",
    };
    EXPECT_EQ(call_lines(), expected);
}

TEST_F(StartUp, DisplayIsOnePacedFrame)
{
    on_display();
    EXPECT_EQ(call_lines(), PACED_FRAME);
}

using ExitKeys = StartUp;

TEST_F(ExitKeys, EscAndLowerQStopTheMusicEndThePeriodAndExitWithZero)
{
    atexit(print_log_at_exit);
    app.timer_period = 3;
    const char* order = "player_stop\\( \\)\nplayer_free\\( \\)\nframe_timer_end_period\\( 3 \\)\n$";
    EXPECT_EXIT(on_key(27, 0, 0), testing::ExitedWithCode(0), order);
    EXPECT_EXIT(on_key('q', 5, 7), testing::ExitedWithCode(0), order);
}

TEST_F(ExitKeys, EveryOtherKeyIsIgnored)
{
    for (int key = 0; key < 256; key++) {
        if (key == 27 || key == 'q')
            continue;
        on_key((unsigned char)key, 0, 0);
    }
    EXPECT_TRUE(fake_log.calls.empty()) << fake_calls_text();
}

} // namespace
