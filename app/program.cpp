// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/program.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

#include "appcore/app_core.h"
#include "appcore/restart.h"
#include "appcore/update_check.h"
#include "lang/languages.h"
#include "platform/paths.h"
#include "platform/temp_journal.h"
#include "platform/text.h"
#include "settings/settings_store.h"
#include "ui/qt_dispatcher.h"
#include "ui/qt_text.h"
#include "ui/theme.h"

namespace tarnq::app {

QString UsageText() {
  return QStringLiteral(
      "Usage: tarnq [OPTION]... [PRESET.tnq | RESULTS.tarnq]\n"
      "Twinsong finds duplicate music files. Without options it opens its window on the last\n"
      "preset, or on the preset or results file named.\n"
      "\n"
      "  -h, --help               show this help and exit\n"
      "      --version            show the version and exit\n"
      "\n"
      "Scripted mode (no question is asked; messages go to standard error):\n"
      "      --search             run the search of the preset once the window is up\n"
      "      --screenshot FILE    write a PNG picture of the window when the work is done\n"
      "      --dialog COMMAND     open the dialog of the command number first; the picture shows it\n"
      "      --page N             the page the configuration (--dialog 183) shows first, from 0\n"
      "      --save-results FILE  write the result list when the work is done\n"
      "      --quit               close the window when the work is done\n"
      "      --play FILE          open the player window on FILE; the picture (--screenshot)\n"
      "                           shows it after 1 s of the file; the sound is captured, not\n"
      "                           played (not with --search or --dialog)\n"
      "\n"
      "Exit status: 0 done; 1 the search failed, was stopped or incomplete, the preset is\n"
      "missing or names no folder, the file to play could not be opened or decoded, or a\n"
      "file could not be written; 2 usage error.\n"
      "The settings file is TARNQ_SETTINGS when that is set.\n");
}

ProgramArguments ParseArguments(const QStringList& arguments) {
  ProgramArguments out;
  QStringList positional;
  bool optionsEnded = false;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    QString arg = arguments[i];
    if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
      positional << arg;
      continue;
    }
    if (arg == QLatin1String("--")) {
      optionsEnded = true;
      continue;
    }
    QString value;
    bool hasValue = false;
    if (const qsizetype eq = arg.indexOf(QLatin1Char('=')); arg.startsWith(QLatin1String("--")) && eq > 0) {
      value = arg.mid(eq + 1);
      arg = arg.left(eq);
      hasValue = true;
    }
    auto takeValue = [&](QString& into) {
      if (!hasValue) {
        if (i + 1 >= arguments.size()) {
          out.error = QStringLiteral("option '%1' needs a file name").arg(arg);
          return;
        }
        value = arguments[++i];
      }
      if (value.isEmpty()) {
        out.error = QStringLiteral("option '%1' needs a file name").arg(arg);
        return;
      }
      into = value;
    };
    auto noValue = [&]() {
      if (hasValue) out.error = QStringLiteral("option '%1' takes no value").arg(arg);
    };
    if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
      noValue();
      out.help = true;
    } else if (arg == QLatin1String("--version")) {
      noValue();
      out.version = true;
    } else if (arg == QLatin1String("--search")) {
      noValue();
      out.window.search = true;
    } else if (arg == QLatin1String("--quit")) {
      noValue();
      out.window.quit = true;
    } else if (arg == QLatin1String("--screenshot")) {
      takeValue(out.window.screenshotPath);
    } else if (arg == QLatin1String("--dialog")) {
      QString number;
      takeValue(number);
      bool ok = false;
      out.window.dialogCommand = number.toInt(&ok);
      if (out.error.isEmpty() && (!ok || out.window.dialogCommand <= 0)) {
        out.error = QStringLiteral("'--dialog' needs a command number");
      }
    } else if (arg == QLatin1String("--page")) {
      QString number;
      takeValue(number);
      bool ok = false;
      out.window.configPage = number.toInt(&ok);
      if (out.error.isEmpty() && (!ok || out.window.configPage < 0)) {
        out.error = QStringLiteral("'--page' needs a page number");
      }
    } else if (arg == QLatin1String("--save-results")) {
      takeValue(out.window.saveResultsPath);
    } else if (arg == QLatin1String("--play")) {
      QString file;
      takeValue(file);
      out.window.playPath = ui::ToU16(file);
    } else {
      out.error = QStringLiteral("unknown option '%1'").arg(arg);
    }
    if (!out.error.isEmpty()) return out;
  }
  if (positional.size() > 1) {
    out.error = QStringLiteral("only one preset or results file may be named (got %1)").arg(positional.size());
    return out;
  }
  if (!positional.isEmpty()) out.window.startFile = positional.first();
  if (!out.window.playPath.empty() && (out.window.search || out.window.dialogCommand != 0)) {
    out.error = out.window.search ? QStringLiteral("'--play' and '--search' exclude each other")
                                  : QStringLiteral("'--play' and '--dialog' exclude each other");
    return out;
  }
  out.window.scripted = out.window.search || out.window.quit || !out.window.screenshotPath.isEmpty() ||
                        !out.window.saveResultsPath.isEmpty() || out.window.dialogCommand != 0 ||
                        !out.window.playPath.empty();
  return out;
}

namespace {

// The file named after --play as the bytes the shell passed (a name that is not UTF-8 keeps them),
// made absolute. Empty when it is not there.
std::u16string RawPlayPath(int argc, char** argv) {
  std::string raw;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--") break;
    if (arg == "--play" && i + 1 < argc) {
      raw = argv[++i];
    } else if (arg.starts_with("--play=")) {
      raw = arg.substr(7);
    } else if (arg == "--screenshot" || arg == "--dialog" || arg == "--page" || arg == "--save-results") {
      ++i;  // its value is not an option
    }
  }
  if (raw.empty()) return {};
  if (raw.front() != '/') {
    const QByteArray folder = QFile::encodeName(QDir::currentPath());
    raw = std::string(folder.constData(), static_cast<size_t>(folder.size())) + "/" + raw;
  }
  return platform::NameBytesToUtf16(raw);
}

// Without a window system Qt would abort; say so plainly instead.
bool DisplayAvailable() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform != nullptr && *platform != '\0') return true;
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

}  // namespace

int RunProgram(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  ProgramArguments parsed = ParseArguments(arguments);
  if (!parsed.error.isEmpty()) {
    std::fprintf(stderr, "tarnq: %s\nTry 'tarnq --help' for more information.\n", parsed.error.toUtf8().constData());
    return 2;
  }
  if (parsed.help) {
    std::fputs(UsageText().toUtf8().constData(), stdout);
    return 0;
  }
  if (parsed.version) {
    std::printf("tarnq %s\n", ui::ToQString(appcore::kProgramVersion).toUtf8().constData());
    return 0;
  }
  if (!DisplayAvailable()) {
    std::fputs("tarnq: no display is available (DISPLAY and WAYLAND_DISPLAY are not set); "
               "tarnq-cli works without one\n",
               stderr);
    return 1;
  }

  WindowOptions& options = parsed.window;
  if (!options.playPath.empty()) options.playPath = RawPlayPath(argc, argv);
  if (!options.startFile.isEmpty()) {
    const QFileInfo info(options.startFile);
    if (!info.exists() || info.isDir()) {
      std::fprintf(stderr, "tarnq: %s: %s\n", options.startFile.toUtf8().constData(),
                   info.isDir() ? "is a folder, not a preset" : "no such file");
      if (options.scripted) return 1;
      options.startFile.clear();  // the window opens on the last preset
    } else {
      options.startFile = info.absoluteFilePath();
    }
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Twinsong"));
  // Ties the windows to the installed desktop entry (its icon and name on Wayland and in task bars).
  QGuiApplication::setDesktopFileName(QStringLiteral("org.twinsong.Twinsong"));
  QApplication::setApplicationVersion(ui::ToQString(appcore::kProgramVersion));
  ui::RememberPlatformPalette(app.palette());

  static lang::LanguageLibrary library;
  if (lang::InstalledLanguageRecord() == nullptr) {
    if (library.Load(platform::ProgramLibraryFolder()) != 0) {
      std::fprintf(stderr, "tarnq: %s\n", ui::ToQString(library.Message()).toUtf8().constData());
      return 1;
    }
    lang::InstallLanguageRecord(library.Record());
  }

  // Temporary files of an earlier run that was killed mid-copy or mid-save.
  platform::RemoveLeftoverTemporaryFiles();

  settings::SettingsStore& store = settings::MainSettings();
  appcore::RestartRequest restart;
  bool first = true;
  return appcore::RunWithRestarts(restart, store, [&]() -> int {
    ui::ApplyTheme(app, ui::IsDark(static_cast<int>(store.ReadInt(settings::SettingsStore::kMainSection, "DM", 0))));
    ui::QtDispatcher dispatcher;
    appcore::AppCore core(store, dispatcher);
    core.WriteDefaultProviderEntries();
    WindowOptions runOptions = options;
    if (!first) runOptions = WindowOptions{};  // a restart opens the plain window
    first = false;
    MainWindow window(core, restart, runOptions);
    window.show();
    if (runOptions.scripted) window.StartScript();
    int code = QApplication::exec();
    if (runOptions.scripted) code = window.ScriptExitCode();
    core.Shutdown();
    return code;
  });
}

}  // namespace tarnq::app
