#include "points/editor_state.h"

EditorState editorState;
