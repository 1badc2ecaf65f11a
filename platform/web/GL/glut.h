// The GLUT subset of the browser build (glut.cpp): only the calls and constants the intro makes,
// so that any other GLUT call is a link error rather than a silent stand-in.
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdarg>

constexpr unsigned GLUT_RGB = 0;
constexpr unsigned GLUT_DOUBLE = 2;
constexpr unsigned GLUT_ALPHA = 8;
constexpr unsigned GLUT_DEPTH = 16;
constexpr int GLUT_CURSOR_NONE = 101;

void glutInit(int* argc, char** argv);
void glutInitDisplayMode(unsigned mode);
void glutInitWindowSize(int width, int height);
void glutInitErrorFunc(void (*callback)(const char* format, va_list args));
int glutCreateWindow(const char* title);
void glutFullScreen();
void glutSetCursor(int cursor);
void glutDisplayFunc(void (*callback)());
void glutReshapeFunc(void (*callback)(int width, int height));
void glutKeyboardFunc(void (*callback)(unsigned char key, int x, int y));
void glutIdleFunc(void (*callback)());
void glutMainLoop();
void glutPostRedisplay();
void glutSwapBuffers();
