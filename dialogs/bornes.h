// The numeric fields of the configuration dialogs keep what the user types,
// even beyond their range: such a number turns red and the field's tooltip
// gives its range; the dialog's OK then names the field and its limit rather
// than taking a different number. Values set by the program (a record shown)
// are still brought within the range by the field itself.
#ifndef KADMER_DIALOGS_BORNES_H
#define KADMER_DIALOGS_BORNES_H

class QAbstractSpinBox;
class QString;
class QWidget;

// every spin box of the dialog under this rule, with the range the form gives it
void borneChamps(QWidget* dialog);

// a field's range from now on (in place of the form's), shown in its tooltip
void fixeBornes(QAbstractSpinBox* champ, double min, double max);

// true when every field of the dialog is within its range; otherwise shows a
// box of that title naming the first field beyond it with its limit, gives
// that field the focus and returns false
bool champsDansBornes(QWidget* dialog, const QString& titre);

#endif
