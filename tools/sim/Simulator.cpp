// Implements the poll() loop; every wait is a poll() timeout so reading never stops while
// replies or chatter are pending.
#include "Simulator.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "protocol/LogText.h"
#include "protocol/TimeText.h"

namespace qd40sim {
namespace {

const char* signalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "a signal";
  }
}

}  // namespace

Simulator::Simulator(const SimOptions& options, int masterFd, int stopFd)
    : m_options(options),
      m_masterFd(masterFd),
      m_stopFd(stopFd),
      m_model(options.model),
      m_scheduler(options.shaping) {
  if (options.chatterRate) {
    m_chatter.emplace(*options.chatterRate, options.chatterFor, Clock::now());
  }
}

int Simulator::run() {
  log("--", "ready in standby, countdown " + std::to_string(m_options.model.countdown.count()) +
                " ms, cool-down " + std::to_string(m_options.model.cooldown.count()) + " ms");
  while (true) {
    releaseDue(Clock::now());
    if (!flushOutput()) return 1;

    pollfd fds[3] = {{m_masterFd, POLLIN, 0}, {m_stopFd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    if (!m_output.empty()) fds[0].events |= POLLOUT;
    const nfds_t count = m_options.stdinQuit ? 3 : 2;
    if (::poll(fds, count, pollTimeoutMs(Clock::now())) < 0) {
      if (errno == EINTR) continue;
      log("--", std::string("poll failed: ") + std::strerror(errno));
      return 1;
    }
    if (fds[1].revents != 0) {
      unsigned char signal = 0;
      if (::read(m_stopFd, &signal, 1) != 1) signal = 0;
      log("--", std::string("stopping on ") + signalName(signal));
      return 0;
    }
    if ((fds[0].revents & POLLIN) != 0) {
      if (!receive()) return 1;
    } else if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
      // Cannot happen while we hold the slave side; stopping beats polling a dead terminal.
      log("--", "terminal hung up");
      return 1;
    }
    if (count == 3 && fds[2].revents != 0 && !stdinStillOpen()) {
      log("--", "stopping: stdin closed");
      return 0;
    }
  }
}

void Simulator::releaseDue(Clock::time_point now) {
  for (const ReplyPiece& piece : m_scheduler.takeDue(now)) {
    std::string note;
    if (piece.parts > 1) {
      note = " (part " + std::to_string(piece.part) + "/" + std::to_string(piece.parts) + ")";
    }
    queueReply(piece.bytes, note);
  }
  if (!m_chatter) return;
  if (const std::string text = m_chatter->take(now); !text.empty()) {
    queueChatter(text);
  }
  if (m_chatter->finished()) {
    log("--", "chatter finished");
    m_chatter.reset();
  }
}

void Simulator::queueReply(std::string_view bytes, std::string_view note) {
  if (m_output.size() + bytes.size() > kMaxQueuedOutput) {
    log("--", "line blocked, dropped reply " + qd40::renderBytes(bytes) + std::string(note));
    return;
  }
  m_output.append(bytes);
  log("TX", qd40::renderBytes(bytes) + std::string(note));
}

// While the panel does not read, chatter is the only thing that keeps coming, so dropping it is
// reported once per blocked spell rather than for every batch, and a long batch is logged by its
// start and length only.
void Simulator::queueChatter(std::string_view text) {
  const std::size_t room = kMaxQueuedChatter - std::min(m_output.size(), kMaxQueuedChatter);
  std::string note = " (chatter";
  if (text.size() > room) {
    if (m_droppedChatter == 0) log("--", "line blocked, dropping chatter until it drains");
    m_droppedChatter += text.size() - room;
    text = text.substr(0, room);
    if (text.empty()) return;
  } else if (m_droppedChatter > 0) {
    note += ", line drained after " + std::to_string(m_droppedChatter) + " dropped";
    m_droppedChatter = 0;
  }
  m_output.append(text);
  std::string shown = qd40::renderBytes(text.substr(0, kChatterLogPreview));
  if (text.size() > kChatterLogPreview) {
    shown += "...";
    note += ", " + std::to_string(text.size()) + " characters";
  }
  log("TX", shown + note + ")");
}

// Writes as much as the terminal takes now; the rest waits for POLLOUT, so a panel that does
// not read makes us wait in poll() rather than spin.
bool Simulator::flushOutput() {
  while (!m_output.empty()) {
    const ssize_t written = ::write(m_masterFd, m_output.data(), m_output.size());
    if (written > 0) {
      m_output.erase(0, static_cast<std::size_t>(written));
    } else if (written < 0 && errno == EINTR) {
      continue;
    } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      return true;
    } else {
      log("--", std::string("write to terminal failed: ") + std::strerror(errno));
      return false;
    }
  }
  return true;
}

// We hold the slave side open ourselves, so end of file or EIO here means the terminal is
// broken rather than that the panel went away; stopping is the only way not to spin.
bool Simulator::receive() {
  char buffer[4096];
  const ssize_t count = ::read(m_masterFd, buffer, sizeof buffer);
  if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return true;
  if (count <= 0) {
    log("--",
        std::string("terminal closed: ") + (count == 0 ? "end of file" : std::strerror(errno)));
    return false;
  }
  const auto now = Clock::now();
  for (std::string& line :
       m_splitter.feed(std::string_view(buffer, static_cast<std::size_t>(count)))) {
    log("RX", qd40::renderBytes(line + kCr));
    if (m_options.silent) {
      log("--", "no reply (--silent)");
      continue;
    }
    m_scheduler.schedule(m_model.reply(line, now), now);
  }
  return true;
}

bool Simulator::stdinStillOpen() {
  char buffer[512];
  const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
  if (count > 0) return true;
  return count < 0 && (errno == EINTR || errno == EAGAIN);
}

int Simulator::pollTimeoutMs(Clock::time_point now) const {
  std::optional<Clock::time_point> wake = m_scheduler.nextDue();
  if (m_chatter) {
    const auto chatterWake = m_chatter->nextWake(now);
    if (chatterWake && (!wake || *chatterWake < *wake)) wake = chatterWake;
  }
  if (!wake) return -1;
  if (*wake <= now) return 0;
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*wake - now).count();
  return static_cast<int>(std::min<long long>(wait, INT_MAX));
}

void Simulator::log(std::string_view kind, std::string_view text) {
  std::string line = qd40::formatTime(std::chrono::system_clock::now(), qd40::TimeForm::LocalClock);
  line.append(" ").append(kind).append(" ").append(text).append("\n");
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

}  // namespace qd40sim
