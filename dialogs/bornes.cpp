#include "dialogs/bornes.h"

#include "app/modal.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QToolTip>
#include <climits>

namespace {

// a typed number may go this far whatever the field: beyond, it could not
// be told from a slip of the keyboard anyway
const double Saisie = 1e12;

// the properties a field of the rule carries
const char* const Min = "kadmerMin";
const char* const Max = "kadmerMax";
const char* const BulleForme = "kadmerBulle";

double valeur(const QAbstractSpinBox* c)
{
    if (const QDoubleSpinBox* d = qobject_cast<const QDoubleSpinBox*>(c))
        return d->value();
    return static_cast<const QSpinBox*>(c)->value();
}

// the number as the field writes it
QString texte(const QAbstractSpinBox* c, double v)
{
    QLocale l = c->locale();
    l.setNumberOptions(l.numberOptions() | QLocale::OmitGroupSeparator);
    if (const QDoubleSpinBox* d = qobject_cast<const QDoubleSpinBox*>(c))
        return l.toString(v, 'f', d->decimals());
    return l.toString(static_cast<qlonglong>(v));
}

bool dansBornes(const QAbstractSpinBox* c)
{
    const double v = valeur(c);
    return v >= c->property(Min).toDouble() && v <= c->property(Max).toDouble();
}

// the field's own range again once its number is back within it, so that
// the arrows stop at the limits
void resserre(QAbstractSpinBox* c)
{
    const double lo = c->property(Min).toDouble(), hi = c->property(Max).toDouble();
    if (QDoubleSpinBox* d = qobject_cast<QDoubleSpinBox*>(c))
        d->setRange(lo, hi);
    else
        static_cast<QSpinBox*>(c)->setRange(int(lo), int(hi));
    c->setMaximumWidth(QWIDGETSIZE_MAX);
}

// a number typed beyond the range is red, and the tooltip says the range
void montreEtat(QAbstractSpinBox* c)
{
    const bool dedans = dansBornes(c);
    QPalette p = c->palette();
    p.setColor(QPalette::Text,
               dedans ? QApplication::palette(c).color(QPalette::Text) : QColor(0xc0, 0, 0));
    c->setPalette(p);
    if (!dedans && c->hasFocus())
        QToolTip::showText(c->mapToGlobal(QPoint(0, c->height())), c->toolTip(), c);
}

// widens a field's range when the user types into it: what is typed stays
// as typed, within Saisie
class Elargit : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        // a field being destroyed still sends events, no longer a spin box
        QAbstractSpinBox* c = qobject_cast<QAbstractSpinBox*>(o);
        if (!c)
            return false;
        if (e->type() == QEvent::KeyPress && !static_cast<QKeyEvent*>(e)->text().isEmpty()) {
            // the wider range would widen the field, and the dialog with it
            if (c->maximumWidth() == QWIDGETSIZE_MAX && c->isVisible())
                c->setMaximumWidth(c->width());
            if (QDoubleSpinBox* d = qobject_cast<QDoubleSpinBox*>(c))
                d->setRange(-Saisie, Saisie);
            else if (QSpinBox* i = qobject_cast<QSpinBox*>(c))
                i->setRange(-INT_MAX, INT_MAX);
        } else if (e->type() == QEvent::FocusOut && dansBornes(c)) {
            resserre(c);
        }
        return false;
    }
};

// the label the form gives the field
QString etiquette(QWidget* dialog, QAbstractSpinBox* c)
{
    for (QLabel* l : dialog->findChildren<QLabel*>())
        if (l->buddy() == c) {
            QString nom = Qt::mightBeRichText(l->text())
                              ? QTextDocumentFragment::fromHtml(l->text()).toPlainText()
                              : l->text();
            nom = nom.remove(QLatin1Char('&')).trimmed();
            if (nom.endsWith(QLatin1Char(':')))
                nom = nom.left(nom.size() - 1).trimmed();
            return nom;
        }
    return c->objectName();
}

// the field's label; where another field has the same one, with the titles
// of the boxes around it and of its page
QString nomDuChamp(QWidget* dialog, QAbstractSpinBox* c)
{
    QString nom = etiquette(dialog, c);
    bool seul = true;
    for (QAbstractSpinBox* autre : dialog->findChildren<QAbstractSpinBox*>())
        if (autre != c && etiquette(dialog, autre) == nom)
            seul = false;
    if (seul)
        return nom;
    for (QWidget* w = c->parentWidget(); w && w != dialog; w = w->parentWidget()) {
        if (QGroupBox* g = qobject_cast<QGroupBox*>(w))
            if (!g->title().isEmpty())
                nom = g->title() + QString::fromUtf8(" — ") + nom;
        // the page's name is the widest context a field needs
        if (qobject_cast<QStackedWidget*>(w->parentWidget()) && !w->accessibleName().isEmpty())
            return w->accessibleName() + QString::fromUtf8(" — ") + nom;
    }
    return nom;
}

} // namespace

void fixeBornes(QAbstractSpinBox* c, double min, double max)
{
    c->setProperty(Min, min);
    c->setProperty(Max, max);
    resserre(c);
    const QString plage = QObject::tr("de %1 à %2").arg(texte(c, min), texte(c, max));
    const QString forme = c->property(BulleForme).toString();
    c->setToolTip(forme.isEmpty() ? plage : forme + QLatin1Char('\n') + plage);
    montreEtat(c);
}

void borneChamps(QWidget* dialog)
{
    Elargit* filtre = new Elargit(dialog);
    for (QAbstractSpinBox* c : dialog->findChildren<QAbstractSpinBox*>()) {
        double lo, hi;
        if (QDoubleSpinBox* d = qobject_cast<QDoubleSpinBox*>(c)) {
            lo = d->minimum(), hi = d->maximum();
            QObject::connect(d, QOverload<double>::of(&QDoubleSpinBox::valueChanged), c,
                             [c] { montreEtat(c); });
        } else if (QSpinBox* s = qobject_cast<QSpinBox*>(c)) {
            lo = s->minimum(), hi = s->maximum();
            QObject::connect(s, QOverload<int>::of(&QSpinBox::valueChanged), c,
                             [c] { montreEtat(c); });
        } else {
            continue;
        }
        c->setProperty(BulleForme, c->toolTip());
        c->installEventFilter(filtre);
        fixeBornes(c, lo, hi);
    }
}

bool champsDansBornes(QWidget* dialog, const QString& titre)
{
    for (QAbstractSpinBox* c : dialog->findChildren<QAbstractSpinBox*>()) {
        if (!c->property(Min).isValid() || !c->isEnabled() || dansBornes(c))
            continue;
        const double v = valeur(c), lo = c->property(Min).toDouble(),
                     hi = c->property(Max).toDouble();
        const QString message =
            v > hi ? QObject::tr("« %1 » vaut au plus %2 (%3 saisi).")
                         .arg(nomDuChamp(dialog, c), texte(c, hi), texte(c, v))
                   : QObject::tr("« %1 » vaut au moins %2 (%3 saisi).")
                         .arg(nomDuChamp(dialog, c), texte(c, lo), texte(c, v));
        // a field on a page not shown is brought into view first
        for (QWidget* w = c; w && w != dialog; w = w->parentWidget())
            if (QStackedWidget* pages = qobject_cast<QStackedWidget*>(w->parentWidget()))
                pages->setCurrentWidget(w);
        modal::warning(dialog, titre, message);
        c->setFocus(Qt::OtherFocusReason);
        c->selectAll();
        return false;
    }
    return true;
}
