#pragma once
// The one message-box service. Interactive runs show real boxes; unattended
// runs log the text and answer every question with No; tests script the
// answers. Nothing here includes a widget header: the widget implementation
// lives with the windows.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace nuvar {

class TMeldungen {
public:
    virtual ~TMeldungen() = default;
    // Notice with an OK button.
    virtual void Information(const QString& text) = 0;
    // Error box with an OK button; waits for the user.
    virtual void Fehler(const QString& text) = 0;
    // Confirmation with Yes and No; true only for Yes.
    virtual bool Frage(const QString& text) = 0;
    // The same error text as a box that closes itself after two seconds,
    // without waiting for the user.
    virtual void FehlerKurz(const QString& text) = 0;
};

// Unattended runs: every text goes to the log sink, every question gets No.
class TUnbeaufsichtigteMeldungen : public TMeldungen {
public:
    using Senke = std::function<void(const QString&)>;
    // Without a sink the texts go to the Qt warning log.
    explicit TUnbeaufsichtigteMeldungen(Senke senke = {});
    void Information(const QString& text) override;
    void Fehler(const QString& text) override;
    bool Frage(const QString& text) override;
    void FehlerKurz(const QString& text) override;

private:
    Senke senke_;
};

// Tests: records every box and answers questions from a script (No once the
// script is used up).
class TSkriptMeldungen : public TMeldungen {
public:
    enum class Art { Information, Fehler, Frage, FehlerKurz };
    struct Eintrag {
        Art art;
        QString text;
    };
    void Information(const QString& text) override;
    void Fehler(const QString& text) override;
    bool Frage(const QString& text) override;
    void FehlerKurz(const QString& text) override;

    std::vector<bool> antworten;  // consumed front to back
    std::vector<Eintrag> gezeigt;
    // Convenience for tests: the texts only.
    QStringList Texte() const;

private:
    std::size_t naechste_ = 0;
};

// The program-wide service. Starts as an unattended service; the program
// installs the interactive one at start-up. The service is not owned.
TMeldungen& Meldungen();
void SetzeMeldungen(TMeldungen* dienst);

} // namespace nuvar
