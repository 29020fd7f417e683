// The toolkit's input callbacks: mouse buttons, motion, keys and menu choices
// become edits of the control points and of the settings in editorState.
// Every handler ends by requesting a redisplay.
#pragma once

void OnMouse(int button, int state, int x, int y);
void OnMotion(int x, int y);
void OnKeyboard(unsigned char key, int x, int y);
void OnMenu(int value);
