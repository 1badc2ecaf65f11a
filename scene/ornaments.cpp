// Falling ornaments: 23 slots, one spawn every 60 frames, drift, tumble and sink.
#include "scene.h"

#include <GL/gl.h>

#include <cmath>

#include "geometry.h"

static const int SPAWN_INTERVAL = 60;
static const double SPAWN_HEIGHT = 7.0;
static const double FLOOR_HEIGHT = -7.0;
static const double DEGREES_PER_RADIAN = 57.29577951308232;

// Called by draw_frame every frame, between the backdrop pass and the ornament pass. On every 60th
// frame the next slot gets a new ornament, whatever it held; the spawn values depend on the slot alone.
void spawn_ornament_step()
{
    scene.spawn_counter++;
    if (scene.spawn_counter != SPAWN_INTERVAL)
        return;
    const int g = scene.next_ornament_slot;
    OrnamentSlot& slot = scene.ornament_slots[g];
    slot.rot_z = 0;
    slot.rot_y = 0;
    slot.rot_z_phase = (float)((23 * g % 41) * 0.153);
    slot.rot_y_phase = (float)((21 * g % 37) * 0.17);
    slot.x = (float)(((g + 1) * 13 % 7) * 0.8);
    slot.y = (float)SPAWN_HEIGHT;
    slot.z = (float)((31 * g % 13) * 3 - 8);
    slot.x_phase = 0;
    slot.y_phase = (float)((29 * g % 41) * 0.153);
    slot.z_phase = 0;
    slot.active = 1;
    scene.spawn_counter = 0;
    scene.next_ornament_slot = (g + 1) % ORNAMENT_SLOT_COUNT;
}

// Called by draw_frame inside the ornament pass, with the camera on the modelview matrix. Each live
// ornament is drawn where the last frame left it, then moved; the death test looks at the unrounded y.
void draw_ornaments()
{
    for (int n = 0; n < ORNAMENT_SLOT_COUNT; n++) {
        OrnamentSlot& slot = scene.ornament_slots[n];
        if (!slot.active)
            continue;
        glPushMatrix();
        glTranslatef(slot.x, slot.y, slot.z);
        glRotatef((float)(slot.rot_z * DEGREES_PER_RADIAN), 0, 0, 1);
        glRotatef((float)(slot.rot_y * DEGREES_PER_RADIAN), 0, 1, 0);
        glCallList(ORNAMENT_LIST);
        glPopMatrix();

        // the slot's own constants: every ornament of a slot moves the same way
        const int k_x = 21 * n % 37;
        const int k_y = 29 * n % 41;
        const int k_z = 23 * n % 41;
        const int k_rz = 31 * n % 13;
        const int k_ry = 13 * n % 7;
        const int s_rz = n % 3 != 0 ? 1 : -1;
        const int s_ry = n % 5 % 2 == 1 ? 1 : -1;

        // each phase first, then the sine of its new value; phases are never wrapped
        slot.x_phase = (float)(slot.x_phase + k_x * 0.001 + 0.016);
        slot.x = (float)(slot.x + sin(slot.x_phase) * 0.01);
        slot.y_phase = (float)(slot.y_phase + k_y * 0.001 + 0.03);
        const double y = slot.y - (sin(slot.y_phase) * 0.02 + 0.03);
        slot.y = (float)y;
        slot.z_phase = (float)(slot.z_phase + k_z * 0.001 + 0.025);
        slot.z = (float)(slot.z + sin(slot.z_phase) * 0.05);
        slot.rot_z_phase = (float)(slot.rot_z_phase + s_rz * 0.025 + k_rz * 0.02);
        slot.rot_z = (float)(slot.rot_z + sin(slot.rot_z_phase) * 0.011 + 0.054);
        slot.rot_y_phase = (float)(slot.rot_y_phase + (s_ry + k_ry) * 0.035);
        slot.rot_y = (float)(slot.rot_y + sin(slot.rot_y_phase) * 0.03 + 0.064);
        if (y < FLOOR_HEIGHT)
            slot.active = 0;
    }
}
