#pragma once

#include "core/OrderModel.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace pelmar {

// The texts of the order assembly dialog's fields, as typed.
struct OrderFields
{
    QString UserID;
    QString UserNev;
    QString UserHelys;
    QString UserCim;
    QString UserIrsz;
    QString Megj;
    QString VevoNev;
    QString VevoHelys;
    QString VevoCim;
    QString VevoIrsz;
};

// The stored text of a name=value entry of SettingValues (name compared
// without regard to case), or an empty text when there is none.
QString SettingText(const QStringList& settingValues, const QString& name);

// "megrendeles.txt", the order form that travels with the pictures: fixed
// width columns, code page 1250, CRLF after every line, no byte-order mark.
// The build appends its parts while it checks the partner data and copies
// the pictures; nothing is written until encoded() is taken.
class OrderText
{
public:
    // Lines 1 to 7: the title and the heading of the partner block.
    void addTitle();
    // One "label: value" line of the partner block (label given with its
    // colon and space, for example "Üzletszám: ").
    void addField(const QString& label, const QString& value);
    // Lines 14 to 22: the customer block, after the partner lines.
    void addCustomerBlock(const OrderFields& fields);
    // Lines 23 to 27: the item heading, column header and rule.
    void addItemHeader();
    // One item line for an order line whose copy succeeded.
    void addItem(const OrderLine& line);
    // The closing block: an empty line, the CD line when ordered (with the
    // stored CD text), the rule and the total line (the dialog's total text).
    void addClosing(bool cdOrdered, const QString& cdText, const QString& totalText);

    const QStringList& lines() const { return m_lines; }
    QByteArray encoded() const;

    // The whole file of a build in which every listed line was copied.
    static QByteArray compose(const OrderFields& fields, const QList<OrderLine>& copied, bool cdOrdered,
                              const QString& cdText, const QString& totalText);

    static QString columnHeader();
    static QString itemLine(const OrderLine& line);

private:
    QStringList m_lines;
};

} // namespace pelmar
