// A recording stand-in for the GL and GLU entry points the intro calls, linked in place of libGL.
#include <GL/gl.h>
#include <GL/glu.h>

#include <initializer_list>

#include "fakes.h"

void glClear(GLbitfield mask) { fake_record("glClear", { (double)mask }); }
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a)
{
    fake_record("glClearColor", { (double)r, (double)g, (double)b, (double)a });
}
void glFlush() { fake_record("glFlush", {}); }
void glEnable(GLenum cap) { fake_record("glEnable", { (double)cap }); }
void glDisable(GLenum cap) { fake_record("glDisable", { (double)cap }); }
void glShadeModel(GLenum mode) { fake_record("glShadeModel", { (double)mode }); }
void glColorMaterial(GLenum face, GLenum mode)
{
    fake_record("glColorMaterial", { (double)face, (double)mode });
}
void glBlendFunc(GLenum s, GLenum d) { fake_record("glBlendFunc", { (double)s, (double)d }); }
void glPixelStorei(GLenum name, GLint value)
{
    fake_record("glPixelStorei", { (double)name, (double)value });
}

void glLightfv(GLenum light, GLenum name, const GLfloat* params)
{
    // positions and colours are four floats; every other parameter the intro could give is one
    if (!fake_log.recording)
        return;
    const bool four = name == GL_AMBIENT || name == GL_DIFFUSE || name == GL_SPECULAR || name == GL_POSITION;
    FakeCall call { "glLightfv", { (double)light, (double)name }, std::string(), params };
    for (int i = 0; i < (four ? 4 : 1); i++)
        call.args.push_back((double)params[i]);
    fake_log.calls.push_back(call);
}

void glNewList(GLuint list, GLenum mode) { fake_record("glNewList", { (double)list, (double)mode }); }
void glEndList() { fake_record("glEndList", {}); }
void glCallList(GLuint list) { fake_record("glCallList", { (double)list }); }
void glBegin(GLenum mode) { fake_record("glBegin", { (double)mode }); }
void glEnd() { fake_record("glEnd", {}); }
void glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    fake_record("glNormal3f", { (double)x, (double)y, (double)z });
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    fake_record("glVertex3f", { (double)x, (double)y, (double)z });
}
void glVertex2i(GLint x, GLint y) { fake_record("glVertex2i", { (double)x, (double)y }); }
void glTexCoord2f(GLfloat s, GLfloat t) { fake_record("glTexCoord2f", { (double)s, (double)t }); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    fake_record("glColor4f", { (double)r, (double)g, (double)b, (double)a });
}

void glGenTextures(GLsizei n, GLuint* textures)
{
    for (GLsizei i = 0; i < n; i++)
        textures[i] = fake_log.next_texture_name++;
    fake_record("glGenTextures", { (double)n }, std::string(), textures);
}
void glBindTexture(GLenum target, GLuint texture)
{
    fake_record("glBindTexture", { (double)target, (double)texture });
}
void glTexParameteri(GLenum target, GLenum name, GLint value)
{
    fake_record("glTexParameteri", { (double)target, (double)name, (double)value });
}
void glTexImage2D(GLenum target, GLint level, GLint internal_format, GLsizei width, GLsizei height,
    GLint border, GLenum format, GLenum type, const GLvoid* pixels)
{
    fake_record("glTexImage2D",
        { (double)target, (double)level, (double)internal_format, (double)width, (double)height,
            (double)border, (double)format, (double)type },
        std::string(), pixels);
}

void glMatrixMode(GLenum mode) { fake_record("glMatrixMode", { (double)mode }); }
void glLoadIdentity() { fake_record("glLoadIdentity", {}); }
void glPushMatrix() { fake_record("glPushMatrix", {}); }
void glPopMatrix() { fake_record("glPopMatrix", {}); }
void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f)
{
    fake_record("glOrtho", { l, r, b, t, n, f });
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    fake_record("glTranslatef", { (double)x, (double)y, (double)z });
}
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    fake_record("glRotatef", { (double)angle, (double)x, (double)y, (double)z });
}
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h)
{
    fake_record("glViewport", { (double)x, (double)y, (double)w, (double)h });
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble near_plane, GLdouble far_plane)
{
    fake_record("gluPerspective", { fovy, aspect, near_plane, far_plane });
}
void gluLookAt(GLdouble ex, GLdouble ey, GLdouble ez, GLdouble cx, GLdouble cy, GLdouble cz, GLdouble ux,
    GLdouble uy, GLdouble uz)
{
    fake_record("gluLookAt", { ex, ey, ez, cx, cy, cz, ux, uy, uz });
}
