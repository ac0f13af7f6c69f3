#pragma once
// Every message of the system goes through here, so that tests (and scripted front ends) can answer
// questions without a modal loop.

#include <QString>

#include <functional>

#include "core/texts.h"

class QWidget;

namespace pm {

/** Answers a message instead of showing it; installed by tests. */
using MessageAnswerer = std::function<Answer(const Message&)>;

/** Shows message as a modal message box (text, caption, buttons, icon) and returns the answer. */
Answer ShowMessage(const Message& message, QWidget* parent = nullptr);

/** The three answers to the question whether to save changes. */
enum class SaveAnswer { Save, Discard, Cancel };

/** Answers the save question instead of showing it; gets the question's text. */
using SaveAnswerer = std::function<SaveAnswer(const QString& text)>;

/** The text of the save question for a document shown as name. */
[[nodiscard]] QString SaveChangesText(const QString& name);

/** Asks whether to save the changes of the document shown as name: Save, Discard or Cancel. */
SaveAnswer AskToSaveChanges(const QString& name, QWidget* parent = nullptr);

/** Routes messages and save questions to the given answerers while it lives (nesting restores). */
class ScopedAnswerers {
  public:
    /** An empty answerer leaves that kind of question to the real box. */
    explicit ScopedAnswerers(MessageAnswerer messages, SaveAnswerer saves = {});
    ~ScopedAnswerers();
    ScopedAnswerers(const ScopedAnswerers&) = delete;
    ScopedAnswerers& operator=(const ScopedAnswerers&) = delete;

  private:
    MessageAnswerer previousMessages_;
    SaveAnswerer previousSaves_;
};

}  // namespace pm
