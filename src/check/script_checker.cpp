#include "check/script_checker.h"

#include <set>

#include "alias/alias_line.h"
#include "alias/predefined_aliases.h"
#include "check/alias_evaluation.h"
#include "check/option_advice.h"
#include "driver/throwable.h"
#include "engine/section_dispatch.h"
#include "script/script_line.h"
#include "script/utils.h"

namespace {

// Whether the first byte that is not blank belongs to a value that may be
// anything: the line's kind (blank, comment, header) is then the machine's.
bool startsWithOpaque(const std::string& text) {
  size_t first = 0;
  while (first < text.size() && Utils::isWhitespace(text[first])) ++first;
  return first < text.size() && UnknownValues::firstOpaque(text) == first;
}

// `message` about `standIn` as it reads about `text`, where the message
// quotes the text at its end.
std::string requote(const std::string& message, const std::string& standIn,
                    const std::string& text) {
  if (message.size() >= standIn.size() &&
      message.compare(message.size() - standIn.size(), standIn.size(), standIn) == 0) {
    return message.substr(0, message.size() - standIn.size()) + text;
  }
  return message;
}

// Whether the body's split at its first '=' is the machine's: a value that
// may hold '=' comes before the first '=' written.
bool splitIsUnknown(const std::string& body) {
  const size_t opaque = UnknownValues::firstOpaque(body);
  return opaque != std::string::npos && opaque < body.find('=');
}

int columnOfOption(const std::string& raw, const char* name) {
  const size_t question = raw.rfind('?');
  if (question == std::string::npos) return 0;
  const std::string lowered = Utils::toLower(raw);
  const size_t at = lowered.find(name, question);
  return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

}  // namespace

ScriptChecker::ScriptChecker(const CheckSettings& settings, Findings* findings)
    : settings_(settings),
      findings_(findings),
      run_(settings.installerFolder, settings.findBesideScript),
      usage_([this](int line, int column, const std::string& text, const std::string& message) {
        reportAt(line, text, Severity::kWarning, Stage::kAdvice, message, column);
      }),
      load_(settings.os) {
  table_.setObserver(&usage_);
  defineOsFacts();
}

void ScriptChecker::check(LineReader* reader) {
  std::string raw;
  try {
    while (reader->nextLine(&raw)) {
      ++lineNumber_;
      raw_ = &raw;
      checkLine(raw);
    }
  } catch (const ScriptFileException& exception) {
    reportAt(0, std::string(), Severity::kError, Stage::kReading, exception.message());
  }
  const std::string none;
  raw_ = &none;
  endSection();
  if (phase_ != Phase::kRun) endLoad(0, none);
  usage_.finish(table_);
}

void ScriptChecker::checkLine(const std::string& raw) {
  std::string substituted;
  const std::string* line = substitute(raw, &substituted);
  if (line == nullptr) {
    if (section_.aliases) defineUnsubstitutedAlias(raw);
    return;
  }
  const std::string& text = *line;
  if (isBlankLine(text) || isCommentLine(text) || startsWithOpaque(text)) return;
  if (isSectionHeaderLine(text)) {
    checkHeader(text);
  } else if (!section_.started) {
    try {
      requireSection(text, nullptr);
    } catch (const Exception& exception) {
      readError(exception.message());
    }
  } else if (section_.aliases) {
    checkAliasLine(text);
  } else {
    checkInstruction(text);
  }
}

// The substituted line: `raw` itself when it holds no reference (most
// lines: no copy), else `substituted`; null when substitution failed.
const std::string* ScriptChecker::substitute(const std::string& raw, std::string* substituted) {
  if (raw.find('<') == std::string::npos) return &raw;
  try {
    *substituted = table_.substituteAliases(raw);
    return substituted;
  } catch (const Exception& exception) {
    if (nonTerminationIsCertain(raw)) readError(exception.message());
    return nullptr;
  }
}

// The bound may be crossed only because a placeholder is longer than the
// value it stands for. Each plain or truth value is at least one byte and
// forms no reference, so when the line also fails with every placeholder
// one byte long, it fails on the machine too.
bool ScriptChecker::nonTerminationIsCertain(const std::string& raw) const {
  AliasTable shortest;
  bool anyUnknown = false;
  for (const auto& [name, value] : table_.entries()) {
    anyUnknown = anyUnknown || UnknownValues::any(value);
    shortest.define(name, UnknownValues::shortened(value));
  }
  if (!anyUnknown) return true;
  try {
    shortest.substituteAliases(raw);
    return false;
  } catch (const Exception&) {
    return true;
  }
}

// The options start after the line's last '?'. A value that may hold '?'
// after the last one written could move that split: nothing of the line's
// form is known then.
ScriptChecker::Form ScriptChecker::formOf(const std::string& text) const {
  Form form;
  // Most lines have no '?': the forward search is the fast one.
  const size_t question = text.find('?') == std::string::npos ? std::string::npos : text.rfind('?');
  const size_t opaque = UnknownValues::lastOpaque(text);
  if (opaque != std::string::npos && (question == std::string::npos || opaque > question)) {
    return form;
  }
  form.known = true;
  if (question == std::string::npos) return form;
  form.options = CheckedOptions(Utils::trim(text.substr(question + 1)));
  if (UnknownValues::any(text.c_str() + question)) {
    form.rebuilt = text.substr(0, question + 1) + form.options.parsableText();
  }
  return form;
}

// --- sections --------------------------------------------------------------------

void ScriptChecker::checkHeader(const std::string& text) {
  noteUndefinedReferences(text, false);
  Section next;
  next.started = true;
  next.line = lineNumber_;
  next.text = *raw_;
  next.options = CheckedOptions::unknown();
  Form form = formOf(text);
  if (form.known) {
    next.options = form.options;
    next.header = std::make_unique<SectionHeader>();
    try {
      next.header->parse(form.parsable(text), lineNumber_);
    } catch (const Exception& exception) {
      readError(requote(exception.message(), form.parsable(text), text));
      next.header.reset();
    }
  }
  if (next.header) {
    next.nameKnown =
        !UnknownValues::any(next.header->name()) && !next.options.isUnknown(OptionId::section_type);
    next.predefined = predefinedSectionNamed(next.header->name());
    next.aliases = next.nameKnown && next.header->name() == "aliases";
  } else {
    // Its lines are checked as what they most likely are.
    next.options = CheckedOptions::unknown();
    next.aliases = Utils::toLower(text).find("aliases") != std::string::npos;
  }
  enterSection(std::move(next));
}

void ScriptChecker::enterSection(Section next) {
  endSection();
  const bool packageInformation =
      next.header && next.nameKnown && next.header->name() == "package information";
  if (phase_ == Phase::kStart && packageInformation) {
    phase_ = Phase::kPackageInformation;
  } else if (phase_ != Phase::kRun) {
    endLoad(next.line, next.text);
    phase_ = Phase::kRun;
  } else if (packageInformation) {
    advise(
        "Package information is read only as the first section: here its lines fail as an "
        "unrecognized predefined section");
  }
  section_ = std::move(next);
  if (!section_.header) return;

  const std::optional<int> sectionType =
      section_.options.isUnknown(OptionId::section_type)
          ? std::nullopt
          : std::optional<int>(section_.header->constOption(OptionId::section_type));
  OptionPlace place = OptionPlace::kHeader;
  if (section_.aliases) place = OptionPlace::kAliasesHeader;
  if (phase_ == Phase::kPackageInformation) place = OptionPlace::kPackageHeader;
  adviseOptions(*section_.header, section_.options, place, sectionType);

  if (!section_.aliases && phase_ == Phase::kRun) {
    const EffectiveOptions own(*section_.header, section_.options, nullptr, nullptr);
    section_.neverRuns = own.cond() == Truth::kFalse;
  }
  if (section_.nameKnown && sectionType == SettingCode::kDeleteRegvals) {
    const std::string root = RunChecks::unknownRootKey(section_.header->name());
    if (!root.empty()) {
      advise("Unknown root key " + root +
             ": the installer finds no value to delete here and reports nothing");
    }
  }
}

void ScriptChecker::endSection() {
  if (section_.neverRuns && !section_.lineMayRun) {
    reportAt(section_.line, section_.text, Severity::kWarning, Stage::kAdvice,
             "Section never runs: its cond is always 0", 0);
  }
  section_.neverRuns = false;
}

// --- instruction lines ---------------------------------------------------------

void ScriptChecker::checkInstruction(const std::string& text) {
  noteUndefinedReferences(text, false);
  Form form = formOf(text);
  if (!form.known) {
    section_.lineMayRun = true;
    return;
  }
  InstructionLine line;
  try {
    line.parse(form.parsable(text), lineNumber_, section_.header.get());
  } catch (const Exception& exception) {
    readError(exception.message());
    section_.lineMayRun = true;
    return;
  }
  // Where the split is the machine's, neither part is known.
  const std::string unknownPart =
      splitIsUnknown(line.body()) ? unknowns_.make(UnknownValues::kOpaque, "") : std::string();
  const std::string& name = unknownPart.empty() ? line.name() : unknownPart;
  const std::string& value = unknownPart.empty() ? line.value() : unknownPart;
  if (phase_ == Phase::kPackageInformation) {
    checkPackageParameter(line, form.options, name, value);
    return;
  }
  const EffectiveOptions options(line, form.options, section_.header.get(), &section_.options);
  if (!section_.header) {
    section_.lineMayRun = true;
    return;
  }
  const std::optional<int> sectionType = options.constant(OptionId::section_type);
  adviseOptions(line, form.options, OptionPlace::kLine, sectionType);
  runInstruction(options, sectionType, name, value);
}

void ScriptChecker::checkPackageParameter(const NameValueLine& line, const CheckedOptions& given,
                                          const std::string& name, const std::string& value) {
  adviseOptions(line, given, OptionPlace::kPackageLine, std::nullopt);
  try {
    load_.parameter(name, value, lineNumber_, *raw_);
  } catch (const Exception& exception) {
    readError(exception.message());
  }
}

// The line is checked as if it ran. Its failures are errors where the
// installer would end the run on them (err_type fatal, and the line may
// run), warnings where it would go on.
void ScriptChecker::runInstruction(const EffectiveOptions& options, std::optional<int> sectionType,
                                   const std::string& name, const std::string& value) {
  const Truth cond = options.cond();
  if (cond != Truth::kFalse) section_.lineMayRun = true;
  if (!sectionType) return;
  const std::optional<int> errType = options.constant(OptionId::err_type);
  const bool fatal = errType == SettingCode::kFatal && cond != Truth::kFalse;
  RunChecks::Instruction line;
  line.sectionType = *sectionType;
  line.section = section_.nameKnown ? &section_.header->name() : nullptr;
  line.predefined = section_.predefined;
  line.name = &name;
  line.value = &value;
  line.regvalType = options.constant(OptionId::regval_type);
  line.deleteRecurse = options.constant(OptionId::delete_recurse);
  line.certainToRun = cond == Truth::kTrue && !load_.debugMayBeOn();
  try {
    run_.check(line, [this](const std::string& message) { advise(message); });
  } catch (const Exception& exception) {
    report(fatal ? Severity::kError : Severity::kWarning, Stage::kRunning, exception.message(), 0,
           line.certainToRun);
  }
}

// --- alias lines ---------------------------------------------------------------

void ScriptChecker::checkAliasLine(const std::string& text) {
  Form form = formOf(text);
  if (!form.known || !section_.header) {
    noteUndefinedReferences(text, false);
    defineUnknownAlias(text, form, form.known && section_.header);
    return;
  }
  AliasLine line;
  try {
    line.parseForm(form.parsable(text), lineNumber_, section_.header.get());
  } catch (const Exception& exception) {
    noteUndefinedReferences(text, false);
    readError(exception.message());
    defineUnknownAlias(text, form, false);
    return;
  }
  const EffectiveOptions options(line, form.options, section_.header.get(), &section_.options);
  const std::optional<int> type = options.constant(OptionId::alias_type);
  noteUndefinedReferences(text, type == SettingCode::kStatic);
  if (splitIsUnknown(line.body()) || UnknownValues::any(line.name())) return;
  adviseOptions(line, form.options, OptionPlace::kAliasLine, std::nullopt);
  const std::string& name = line.name();
  if (name.empty() && line.body().find('=') == std::string::npos) {
    advise("Alias line without '=': it defines the alias with the empty name, <>");
  }
  AliasEvaluation::Result result;
  try {
    result = AliasEvaluation::evaluate(type, line.value(), "<" + name + ">", &unknowns_);
  } catch (const Exception& exception) {
    readError(exception.message());
    define(name, unknowns_.make(UnknownValues::kOpaque, "<" + name + ">"), false);
    return;
  }
  if (!result.unknownRootKey.empty()) {
    advise("Unknown root key " + result.unknownRootKey +
           ": the registry test never finds anything there");
  }
  define(name, result.value, true);
}

// A line that defines an alias whose value (or whose line's form) is not
// known, or that failed: its name, where that is known, gets an unknown
// value, so that later lines are not checked against a value it never has.
// Only a line that did not fail is `watched` for use.
void ScriptChecker::defineUnknownAlias(const std::string& text, const Form& form, bool watched) {
  std::string name;
  if (form.known) {
    // Without its options, which may be what failed.
    const std::string& parsable = form.parsable(text);
    const size_t question = parsable.rfind('?');
    AliasLine line;
    try {
      line.parseForm(question == std::string::npos ? parsable : parsable.substr(0, question + 1),
                     lineNumber_, nullptr);
    } catch (const Exception&) {
      return;
    }
    if (splitIsUnknown(line.body())) return;
    name = line.name();
  } else {
    // Certain only when its '=' comes before any '?' and any such value.
    const size_t equals = text.find('=');
    if (equals == std::string::npos || text.find('?') < equals ||
        UnknownValues::firstOpaque(text) < equals) {
      return;
    }
    name = Utils::trim(text.substr(0, equals));
  }
  if (UnknownValues::any(name)) return;
  define(name, unknowns_.make(UnknownValues::kOpaque, "<" + name + ">"), watched);
}

// An alias line whose substitution failed still names its alias where no
// reference comes before its '=': later lines then see an unknown value
// rather than an undefined name.
void ScriptChecker::defineUnsubstitutedAlias(const std::string& raw) {
  const size_t equals = raw.find('=');
  if (equals == std::string::npos || raw.find_first_of("<?") < equals) return;
  const std::string name = Utils::trim(raw.substr(0, equals));
  if (!name.empty()) define(name, unknowns_.make(UnknownValues::kOpaque, "<" + name + ">"), false);
}

void ScriptChecker::define(const std::string& name, const std::string& value, bool watched) {
  table_.define(name, value);
  usage_.defined(name, lineNumber_, *raw_, watched);
}

// --- package information and the OS -----------------------------------------------

// Where the installer's load ends: what the restriction accepts is what
// the rest of the script sees.
void ScriptChecker::endLoad(int line, const std::string& text) {
  const bool changed = load_.end(
      line, text,
      [this](int where, const std::string& whereText, Severity severity, Stage stage,
             const std::string& message) { reportAt(where, whereText, severity, stage, message); });
  if (changed) defineOsFacts();
}

// The predefined aliases as far as the OS types tell them: the folders are
// the machine's; on the 95/98 layout the shared ones are the user's own; the
// OS family's name is known when only one family is left.
void ScriptChecker::defineOsFacts() {
  const bool nineXLayout = !load_.mayRunUnder(WindowsNT);
  System::Facts facts;
  facts.runningDirectory = settings_.installerFolder;
  std::string* folders[] = {&facts.windowsDirectory,       &facts.systemDirectory,
                            &facts.programFilesDirectory,  &facts.desktopDirectory,
                            &facts.startMenuDirectory,     &facts.programsDirectory,
                            &facts.sharedDesktopDirectory, &facts.sharedStartMenuDirectory,
                            &facts.sharedProgramsDirectory};
  const char* names[] = {
      "<WIN>",      "<WINSYS>",         "<PROGFILES>",        "<DESKTOP>",        "<STARTMENU>",
      "<PROGRAMS>", "<SHARED_DESKTOP>", "<SHARED_STARTMENU>", "<SHARED_PROGRAMS>"};
  for (size_t i = 0; i < 9; ++i) {
    *folders[i] =
        nineXLayout && i >= 6 ? *folders[i - 3] : unknowns_.make(UnknownValues::kPlain, names[i]);
  }
  const std::optional<OsType> only = load_.onlyOsType();
  facts.osType = only.value_or(UnknownOs);
  for (const auto& [name, value] : predefinedAliases(facts)) table_.define(name, value);
  if (!only) table_.define("OS", unknowns_.make(UnknownValues::kPlain, "<OS>"));
}

// --- advice --------------------------------------------------------------------

void ScriptChecker::adviseOptions(const OptionedLine& line, const CheckedOptions& given,
                                  OptionPlace place, std::optional<int> sectionType) {
  if (line.optionText().empty() && !given.setsAnyUnknown()) return;
  const std::string* sectionName =
      section_.header && section_.nameKnown ? &section_.header->name() : nullptr;
  for (const OptionAdvice& advice :
       optionsWithoutEffect(line.options(), given, place, sectionType, sectionName)) {
    advise(advice.message, columnOfOption(*raw_, advice.option));
  }
}

void ScriptChecker::noteUndefinedReferences(const std::string& text, bool deferred) {
  if (text.find('<') == std::string::npos) return;
  std::set<std::string> seen;
  // Only references written in the line itself: one that came in with a
  // value is reported where that value was written.
  for (const std::string& name : referencedNames(text)) {
    const size_t at = raw_->find("<" + name + ">");
    if (at == std::string::npos || !seen.insert(name).second) continue;
    usage_.undefinedReference(name, lineNumber_, static_cast<int>(at) + 1, *raw_, deferred);
  }
}

// --- findings --------------------------------------------------------------------

void ScriptChecker::report(Severity severity, Stage stage, const std::string& message, int column,
                           bool certainToRun) {
  reportAt(lineNumber_, *raw_, severity, stage, message, column, certainToRun);
}

void ScriptChecker::reportAt(int line, const std::string& text, Severity severity, Stage stage,
                             const std::string& message, int column, bool certainToRun) {
  Finding finding;
  finding.certainToRun = certainToRun;
  finding.line = line;
  finding.column = column;
  finding.severity = severity;
  finding.stage = stage;
  finding.message = unknowns_.render(message);
  finding.text = text;
  findings_->add(std::move(finding));
}
