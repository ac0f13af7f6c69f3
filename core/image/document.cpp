#include "core/image/document.h"

namespace pm {

EditorState DecodeToState(const Image& image) {
    EditorState state;
    DecodeImage(image, state.table, state.lists);
    return state;
}

Image RoundTrip(const Image& image) {
    const EditorState state = DecodeToState(image);
    Image out = image;
    EncodeImage(state.table, state.lists, out);
    return out;
}

}  // namespace pm
