#include "platform/db/sql_text.h"

#include "platform/db/db_error.h"

#include <algorithm>
#include <vector>

namespace mox::db {

namespace {

struct Token {
    enum Kind { Word, Quoted, Literal, Punct } kind;
    QString text;
    int start;
    int end;
    int depth;
};

std::vector<Token> Tokenize(const QString& sql) {
    std::vector<Token> out;
    int depth = 0;
    int i = 0;
    const int n = sql.size();
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) {
            while (i < n && sql[i] != QLatin1Char('\n')) ++i;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql[i + 1] == QLatin1Char('*')) {
            const int end = sql.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 2;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            QString text;
            int j = i + 1;
            while (j < n) {
                if (sql[j] == close) {
                    if (close != QLatin1Char(']') && j + 1 < n && sql[j + 1] == close) {
                        text += close;
                        j += 2;
                        continue;
                    }
                    break;
                }
                text += sql[j++];
            }
            out.push_back(
                {c == QLatin1Char('\'') ? Token::Literal : Token::Quoted, text, i, std::min(j + 1, n), depth});
            i = j + 1;
        } else if (c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$') || c.unicode() >= 0x80) {
            int j = i;
            while (j < n && (sql[j].isLetterOrNumber() || sql[j] == QLatin1Char('_') || sql[j] == QLatin1Char('$') ||
                             (sql[j].unicode() >= 0x80 && !sql[j].isSpace())))
                ++j;
            out.push_back({Token::Word, sql.mid(i, j - i), i, j, depth});
            i = j;
        } else {
            if (c == QLatin1Char(')')) --depth;
            out.push_back({Token::Punct, QString(c), i, i + 1, depth});
            if (c == QLatin1Char('(')) ++depth;
            ++i;
        }
    }
    return out;
}

bool IsWord(const Token& t, const char* word) {
    return t.kind == Token::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

}  // namespace

QString SingleTableOf(const QString& sql, int* selectEnd, bool* plainList) {
    const std::vector<Token> t = Tokenize(sql);
    if (t.empty() || !IsWord(t[0], "SELECT")) return {};
    if (t.size() > 1 && (IsWord(t[1], "DISTINCT") || IsWord(t[1], "TOP"))) return {};
    size_t i = 1;
    while (i < t.size() && !(t[i].depth == 0 && IsWord(t[i], "FROM"))) ++i;
    if (++i >= t.size() || (t[i].kind != Token::Word && t[i].kind != Token::Quoted)) return {};
    const QString table = t[i].text;
    ++i;
    auto atClauseEnd = [&](size_t k) {
        return k >= t.size() || (t[k].kind == Token::Punct && t[k].text == QLatin1String(";")) ||
               IsWord(t[k], "WHERE") || IsWord(t[k], "ORDER") || IsWord(t[k], "LIMIT");
    };
    if (!atClauseEnd(i)) {
        if (IsWord(t[i], "AS")) ++i;
        static const char* const kNotAlias[] = {"JOIN",  "INNER", "LEFT",   "RIGHT", "FULL",      "CROSS",  "NATURAL",
                                                "OUTER", "GROUP", "HAVING", "UNION", "INTERSECT", "EXCEPT", "WINDOW"};
        if (i >= t.size() || (t[i].kind != Token::Word && t[i].kind != Token::Quoted)) return {};
        for (const char* w : kNotAlias)
            if (IsWord(t[i], w)) return {};
        ++i;
        if (!atClauseEnd(i)) return {};
    }
    for (; i < t.size(); ++i) {
        if (t[i].depth != 0) continue;
        if (IsWord(t[i], "UNION") || IsWord(t[i], "INTERSECT") || IsWord(t[i], "EXCEPT") || IsWord(t[i], "GROUP") ||
            IsWord(t[i], "HAVING"))
            return {};
        if (t[i].kind == Token::Punct && t[i].text == QLatin1String(";") && i + 1 < t.size()) return {};
    }
    if (selectEnd) *selectEnd = t[0].end;
    if (plainList) {
        // column [. column] separated by commas, up to FROM
        bool plain = true;
        bool expectName = true;
        size_t k = 1;
        for (; k < t.size() && !(t[k].depth == 0 && IsWord(t[k], "FROM")); ++k) {
            const Token& tok = t[k];
            const bool name = tok.kind == Token::Word || tok.kind == Token::Quoted ||
                              (tok.kind == Token::Punct && tok.text == QLatin1String("*"));
            if (expectName) {
                plain = plain && name;
                expectName = false;
            } else if (tok.kind == Token::Punct && (tok.text == QLatin1String(",") || tok.text == QLatin1String("."))) {
                expectName = true;
            } else {
                plain = false;
            }
        }
        *plainList = plain && !expectName;
    }
    return table;
}

int CountMarkers(const QString& sql) {
    int count = 0;
    for (const Token& t : Tokenize(sql))
        if (t.kind == Token::Punct && t.text == QLatin1String("?")) ++count;
    return count;
}

void CheckParamCount(int markers, size_t values) {
    if (markers >= 0 && static_cast<size_t>(markers) == values) return;
    throw DbError(
        kErrSql,
        QStringLiteral("SQL 文のパラメーターの数 (%1) と値の数 (%2) が一致しません。").arg(markers).arg(values));
}

QString QuoteIdentifier(const QString& name, const QString& mark) {
    QString quoted = name;
    quoted.replace(mark, mark + mark);
    return mark + quoted + mark;
}

}  // namespace mox::db
