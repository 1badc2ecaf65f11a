// The ornament list: the snowflake mesh compiled into display list 1.
#include "geometry.h"

void build_ornament_list()
{
}
