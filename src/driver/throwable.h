#ifndef TARNWICK_DRIVER_THROWABLE_H_
#define TARNWICK_DRIVER_THROWABLE_H_

#include <new>
#include <string>

// Every failure travels as one of these classes; the only content is a
// complete, human-readable message. Handlers catch Exception and nothing
// wider, so an Error passes through all of them.
class Throwable {
 public:
  explicit Throwable(std::string message) : message_(std::move(message)) {}
  virtual ~Throwable() = default;
  const std::string& message() const { return message_; }

 private:
  std::string message_;
};

class Exception : public Throwable {
 public:
  using Throwable::Throwable;
};

class Error : public Throwable {
 public:
  using Throwable::Throwable;
};

// Also a std::bad_alloc, so that the runtime's own allocations may throw it
// without terminating the process.
class MemError : public Error, public std::bad_alloc {
 public:
  using Error::Error;
  const char* what() const noexcept override { return message().c_str(); }
};

#define TARNWICK_EXCEPTION(Name)  \
  class Name : public Exception { \
   public:                        \
    using Exception::Exception;   \
  }

TARNWICK_EXCEPTION(AliasLineException);
TARNWICK_EXCEPTION(CommandLineException);
TARNWICK_EXCEPTION(FileSysException);
TARNWICK_EXCEPTION(OptionsTableException);
TARNWICK_EXCEPTION(PostfixEvaluatorException);
TARNWICK_EXCEPTION(RegistryException);
TARNWICK_EXCEPTION(ScriptEngineException);
TARNWICK_EXCEPTION(ScriptFileException);
TARNWICK_EXCEPTION(SectionHeaderException);
TARNWICK_EXCEPTION(ShellLinksException);
TARNWICK_EXCEPTION(SystemException);
TARNWICK_EXCEPTION(UtilsException);

#undef TARNWICK_EXCEPTION

// The shared scratch buffer for messages that carry a number. Allocated by
// the program entry's start-up and released by its shut-down.
extern char* messageBuffer;
extern int messageBufferCapacity;

void allocateMessageBuffer();
void releaseMessageBuffer();

// Formats `format` (which holds one "%d") with `number`, through
// messageBuffer when it is allocated, cut to messageBufferCapacity
// characters.
std::string formatMessage(const char* format, int number);

// The handler for failed allocations: throws MemError "Unable to allocate
// memory." and never returns.
void outOfMemory();

#endif  // TARNWICK_DRIVER_THROWABLE_H_
