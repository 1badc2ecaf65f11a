// A recording stand-in for the GLUT entry points; glutMainLoop returns at once.
#include <GL/freeglut.h>

#include "fakes.h"

GlutCallbacks glut_callbacks;

void glutInit(int* argc, char** argv)
{
    // the text lists every argument up to the null that ends the vector: argv={"",}
    std::string all = "argv={";
    for (int i = 0; argv[i]; i++)
        all += "\"" + std::string(argv[i]) + "\",";
    fake_record("glutInit", { (double)*argc }, all + "}");
}
void glutInitErrorFunc(void (*callback)(const char*, va_list))
{
    (void)callback;
    fake_record("glutInitErrorFunc", {});
}
void glutInitDisplayMode(unsigned int mode) { fake_record("glutInitDisplayMode", { (double)mode }); }
void glutInitWindowSize(int width, int height)
{
    fake_record("glutInitWindowSize", { (double)width, (double)height });
}
int glutCreateWindow(const char* title)
{
    fake_record("glutCreateWindow", {}, title);
    return 1;
}
void glutFullScreen() { fake_record("glutFullScreen", {}); }
void glutSetCursor(int cursor) { fake_record("glutSetCursor", { (double)cursor }); }
void glutReshapeFunc(void (*callback)(int, int))
{
    glut_callbacks.reshape = callback;
    fake_record("glutReshapeFunc", {});
}
void glutKeyboardFunc(void (*callback)(unsigned char, int, int))
{
    glut_callbacks.keyboard = callback;
    fake_record("glutKeyboardFunc", {});
}
void glutDisplayFunc(void (*callback)())
{
    glut_callbacks.display = callback;
    fake_record("glutDisplayFunc", {});
}
void glutIdleFunc(void (*callback)())
{
    glut_callbacks.idle = callback;
    fake_record("glutIdleFunc", {});
}
void glutMainLoop() { fake_record("glutMainLoop", {}); }
void glutPostRedisplay() { fake_record("glutPostRedisplay", {}); }
void glutSwapBuffers() { fake_record("glutSwapBuffers", {}); }
