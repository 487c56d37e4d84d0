// Two units that include each other through their sources: the boundary
// check must fail.
#pragma once
void ringA();
