// A recording stand-in for the GL and GLU entry points the intro calls, linked in place of libGL.
#include <GL/gl.h>
#include <GL/glu.h>

#include <initializer_list>

#include "fakes.h"

static void record(const char* name, std::initializer_list<double> args, const void* pointer = nullptr)
{
    if (fake_calls_recording)
        fake_calls.push_back(FakeCall { name, std::vector<double>(args), std::string(), pointer });
}

static GLuint next_texture_name = 1;

void glClear(GLbitfield mask) { record("glClear", { (double)mask }); }
void glFlush() { record("glFlush", {}); }
void glEnable(GLenum cap) { record("glEnable", { (double)cap }); }
void glDisable(GLenum cap) { record("glDisable", { (double)cap }); }
void glShadeModel(GLenum mode) { record("glShadeModel", { (double)mode }); }
void glColorMaterial(GLenum face, GLenum mode) { record("glColorMaterial", { (double)face, (double)mode }); }
void glBlendFunc(GLenum s, GLenum d) { record("glBlendFunc", { (double)s, (double)d }); }
void glPixelStorei(GLenum name, GLint value) { record("glPixelStorei", { (double)name, (double)value }); }

void glLightfv(GLenum light, GLenum name, const GLfloat* params)
{
    // positions and colours are four floats; every other parameter the intro could give is one
    if (!fake_calls_recording)
        return;
    const bool four = name == GL_AMBIENT || name == GL_DIFFUSE || name == GL_SPECULAR || name == GL_POSITION;
    FakeCall call { "glLightfv", { (double)light, (double)name }, std::string(), params };
    for (int i = 0; i < (four ? 4 : 1); i++)
        call.args.push_back((double)params[i]);
    fake_calls.push_back(call);
}

void glNewList(GLuint list, GLenum mode) { record("glNewList", { (double)list, (double)mode }); }
void glEndList() { record("glEndList", {}); }
void glCallList(GLuint list) { record("glCallList", { (double)list }); }
void glBegin(GLenum mode) { record("glBegin", { (double)mode }); }
void glEnd() { record("glEnd", {}); }
void glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    record("glNormal3f", { (double)x, (double)y, (double)z });
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    record("glVertex3f", { (double)x, (double)y, (double)z });
}
void glVertex2i(GLint x, GLint y) { record("glVertex2i", { (double)x, (double)y }); }
void glTexCoord2f(GLfloat s, GLfloat t) { record("glTexCoord2f", { (double)s, (double)t }); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    record("glColor4f", { (double)r, (double)g, (double)b, (double)a });
}

void glGenTextures(GLsizei n, GLuint* textures)
{
    for (GLsizei i = 0; i < n; i++)
        textures[i] = next_texture_name++;
    record("glGenTextures", { (double)n }, textures);
}
void glBindTexture(GLenum target, GLuint texture)
{
    record("glBindTexture", { (double)target, (double)texture });
}
void glTexParameteri(GLenum target, GLenum name, GLint value)
{
    record("glTexParameteri", { (double)target, (double)name, (double)value });
}
void glTexImage2D(GLenum target, GLint level, GLint internal_format, GLsizei width, GLsizei height,
    GLint border, GLenum format, GLenum type, const GLvoid* pixels)
{
    record("glTexImage2D",
        { (double)target, (double)level, (double)internal_format, (double)width, (double)height,
            (double)border, (double)format, (double)type },
        pixels);
}

void glMatrixMode(GLenum mode) { record("glMatrixMode", { (double)mode }); }
void glLoadIdentity() { record("glLoadIdentity", {}); }
void glPushMatrix() { record("glPushMatrix", {}); }
void glPopMatrix() { record("glPopMatrix", {}); }
void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f)
{
    record("glOrtho", { l, r, b, t, n, f });
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    record("glTranslatef", { (double)x, (double)y, (double)z });
}
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    record("glRotatef", { (double)angle, (double)x, (double)y, (double)z });
}
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h)
{
    record("glViewport", { (double)x, (double)y, (double)w, (double)h });
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble near_plane, GLdouble far_plane)
{
    record("gluPerspective", { fovy, aspect, near_plane, far_plane });
}
void gluLookAt(GLdouble ex, GLdouble ey, GLdouble ez, GLdouble cx, GLdouble cy, GLdouble cz, GLdouble ux,
    GLdouble uy, GLdouble uz)
{
    record("gluLookAt", { ex, ey, ez, cx, cy, cz, ux, uy, uz });
}
