#include "points/editor_state.h"

// Static lifetime: its initial values hold before main runs.
EditorState editorState;
