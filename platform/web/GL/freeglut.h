// The browser build's GLUT holds freeglut's one addition the intro calls, glutInitErrorFunc.
#pragma once

#include <GL/glut.h>
