#include "app/GrowingCaption.h"

namespace qd40 {

void GrowingCaption::show(Window& window, const RxBuffer& buffer) {
  const std::string& text = buffer.rendered();
  const bool inStep = m_shown && m_shown->generation == buffer.generation() &&
                      m_shown->writes == window.captionWrites(m_control) &&
                      m_shown->length <= text.size();
  if (!inStep) {
    window.setCaption(m_control, text);
  } else if (m_shown->length < text.size()) {
    window.appendCaption(m_control, std::string_view(text).substr(m_shown->length));
  }
  m_shown = Shown{buffer.generation(), window.captionWrites(m_control), text.size()};
}

}  // namespace qd40
