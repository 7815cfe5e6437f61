#include "frame/library_state.h"

LibraryState &Library() {
    static LibraryState state;
    return state;
}
