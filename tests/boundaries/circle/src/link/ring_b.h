#pragma once
void ringB();
