// Falling ornaments: 23 slots, one spawn every 60 frames, drift, tumble and sink.
#include "scene.h"

OrnamentSlot ornament_slots[ORNAMENT_SLOT_COUNT];
int next_ornament_slot = 0;
int spawn_counter = 0;

void spawn_ornament_step()
{
}

void draw_ornaments()
{
}
