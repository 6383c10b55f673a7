// What the application answers when the engine code and the address bar report or ask: the one
// place where their outward calls are tied to the application's modules.
#pragma once

// At the main window's creation, before its address bar and its engine exist.
void AnswerEngineAndAddressBar();
