// A recording stand-in for the GLUT entry points; glutMainLoop returns at once.
#include <GL/freeglut.h>

#include "fakes.h"

GlutCallbacks glut_callbacks;

static void record(const char* name, std::vector<double> args, std::string text = std::string())
{
    fake_calls.push_back(FakeCall { name, std::move(args), std::move(text), nullptr });
}

void glutInit(int* argc, char** argv)
{
    // the text lists every argument up to the null that ends the vector: argv={"",}
    std::string all = "argv={";
    for (int i = 0; argv[i]; i++)
        all += "\"" + std::string(argv[i]) + "\",";
    record("glutInit", { (double)*argc }, all + "}");
}
void glutInitErrorFunc(void (*callback)(const char*, va_list))
{
    (void)callback;
    record("glutInitErrorFunc", {});
}
void glutInitDisplayMode(unsigned int mode) { record("glutInitDisplayMode", { (double)mode }); }
void glutInitWindowSize(int width, int height)
{
    record("glutInitWindowSize", { (double)width, (double)height });
}
int glutCreateWindow(const char* title)
{
    record("glutCreateWindow", {}, title);
    return 1;
}
void glutFullScreen() { record("glutFullScreen", {}); }
void glutSetCursor(int cursor) { record("glutSetCursor", { (double)cursor }); }
void glutReshapeFunc(void (*callback)(int, int))
{
    glut_callbacks.reshape = callback;
    record("glutReshapeFunc", {});
}
void glutKeyboardFunc(void (*callback)(unsigned char, int, int))
{
    glut_callbacks.keyboard = callback;
    record("glutKeyboardFunc", {});
}
void glutDisplayFunc(void (*callback)())
{
    glut_callbacks.display = callback;
    record("glutDisplayFunc", {});
}
void glutIdleFunc(void (*callback)())
{
    glut_callbacks.idle = callback;
    record("glutIdleFunc", {});
}
void glutMainLoop() { record("glutMainLoop", {}); }
void glutPostRedisplay() { record("glutPostRedisplay", {}); }
void glutSwapBuffers() { record("glutSwapBuffers", {}); }
