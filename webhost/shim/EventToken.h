// The engine SDK includes "EventToken.h"; MinGW ships the header in lower case.
#pragma once
#include <eventtoken.h>
