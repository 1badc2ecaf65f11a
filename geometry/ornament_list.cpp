// The ornament list: the snowflake mesh compiled into display list 1.
#include "geometry.h"

#include <GL/gl.h>

#include "assets.h"

// Called by init_scene right after build_glyph_lists, with the GL context current. One quad batch:
// each triangle goes as a quad whose fourth vertex repeats the third, so GL draws the triangle itself.
// Normals only, no colour: the ornament pass gives colour and lights.
void build_ornament_list()
{
    glNewList(ORNAMENT_LIST, GL_COMPILE);
    glBegin(GL_QUADS);
    for (const OrnamentTriangle& triangle : ornament_mesh) {
        glNormal3f(triangle.normal[0], triangle.normal[1], triangle.normal[2]);
        glVertex3f(triangle.corners[0][0], triangle.corners[0][1], triangle.corners[0][2]);
        glVertex3f(triangle.corners[1][0], triangle.corners[1][1], triangle.corners[1][2]);
        glVertex3f(triangle.corners[2][0], triangle.corners[2][1], triangle.corners[2][2]);
        glVertex3f(triangle.corners[2][0], triangle.corners[2][1], triangle.corners[2][2]);
    }
    glEnd();
    glEndList();
}
