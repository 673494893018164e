#pragma once
// Keeps a label showing the rendering of the receive buffer while handing the
// window only what each delivery added. Between two clearings the rendering
// only grows, so the label's text is the part shown before plus the new part.
// Whenever the buffer was cleared, or anyone else wrote the label, since the
// last showing, the whole text is set again, exactly as a fresh caption. It
// does not decide when the label shows the buffer.
#include <cstdint>
#include <optional>

#include "protocol/Monitor.h"
#include "toolkit/Toolkit.h"

namespace qd40 {

class GrowingCaption final {
 public:
  explicit GrowingCaption(Control control) : m_control(control) {}

  // Afterwards the caption is the buffer's rendering.
  void show(Window& window, const RxBuffer& buffer);

 private:
  struct Shown {
    std::uint64_t generation;  // of the buffer
    std::uint64_t writes;      // to the caption, this one included
    std::size_t length;        // of the rendering
  };

  Control m_control;
  std::optional<Shown> m_shown;
};

}  // namespace qd40
