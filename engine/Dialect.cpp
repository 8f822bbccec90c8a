#include "engine/Dialect.h"

#include "engine/EngineError.h"

#include <QList>

namespace engine {
QString quotedIdentifier(const QString& name);

namespace {

const QString kLengthPrefix = QStringLiteral("zandrel_len:");

struct Token {
    enum Type { Space, Comment, Word, QuotedName, String, Number, Punct, Semicolon };
    Type type;
    QString text;
    bool significant() const { return type != Space && type != Comment; }
};

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$' || c.unicode() > 0x7F; }

QList<Token> tokenize(const QString& s) {
    QList<Token> tokens;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s[i];
        qsizetype j = i + 1;
        Token::Type type = Token::Punct;
        if (c.isSpace()) {
            while (j < n && s[j].isSpace())
                ++j;
            type = Token::Space;
        } else if (c == u'-' && i + 1 < n && s[i + 1] == u'-') {
            while (j < n && s[j] != u'\n')
                ++j;
            type = Token::Comment;
        } else if (c == u'/' && i + 1 < n && s[i + 1] == u'*') {
            const qsizetype end = s.indexOf(QStringLiteral("*/"), i + 2);
            j = end < 0 ? n : end + 2;
            type = Token::Comment;
        } else if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
            const QChar close = c == u'[' ? QChar(u']') : c;
            while (j < n) {
                if (s[j] == close) {
                    if (close != u']' && j + 1 < n && s[j + 1] == close) {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
            type = c == u'\'' ? Token::String : Token::QuotedName;
        } else if (c.isDigit()) {
            // A run of letters and digits that starts with a digit is a name
            // (tables may be called "2024_books"), unless it is a number.
            while (j < n && (isWordChar(s[j]) || s[j] == u'.'))
                ++j;
            bool isNumber = false;
            s.mid(i, j - i).toDouble(&isNumber);
            type = isNumber ? Token::Number : Token::Word;
            if (!isNumber && s.mid(i, j - i).contains(u'.')) {
                j = i + 1;
                while (j < n && isWordChar(s[j]))
                    ++j;
                type = Token::Word;
            }
        } else if (isWordChar(c)) {
            while (j < n && isWordChar(s[j]))
                ++j;
            type = Token::Word;
        } else if (c == u';') {
            type = Token::Semicolon;
        } else if (j < n
                   && ((c == u'<' && (s[j] == u'=' || s[j] == u'>')) || (c == u'>' && s[j] == u'=')
                       || (c == u'!' && s[j] == u'=') || (c == u'|' && s[j] == u'|'))) {
            ++j;
        }
        tokens.append({type, s.mid(i, j - i)});
        i = j;
    }
    return tokens;
}

QString nameOf(const Token& t) {
    if (t.type != Token::QuotedName)
        return t.text;
    QString inner = t.text.mid(1, t.text.size() - 2);
    if (t.text.startsWith(u'"'))
        inner.replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return inner;
}

bool isKeyword(const Token& t, const char* word) {
    return t.type == Token::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool isTextType(const Token& t) {
    return isKeyword(t, "VARCHAR") || isKeyword(t, "CHAR") || isKeyword(t, "TEXT") || isKeyword(t, "NVARCHAR");
}

bool isListEnd(const Token& t) {
    for (const char* word : {"WHERE", "GROUP", "ORDER", "LIMIT", "HAVING", "UNION", "EXCEPT", "INTERSECT", "WINDOW",
                             "ON", "USING", "SET", "VALUES"})
        if (isKeyword(t, word))
            return true;
    return false;
}

// A column's type in CREATE TABLE: COUNTER keys, DATETIME as REAL day
// numbers, and text lengths checked by a named constraint.
void rewriteColumnType(Token& type, Token* open, Token* size, Token* close, const QString& column) {
    if (isKeyword(type, "COUNTER")) {
        type.text = QStringLiteral("INTEGER");
        if (open && size && isKeyword(*open, "PRIMARY") && isKeyword(*size, "KEY"))
            size->text += QStringLiteral(" AUTOINCREMENT");
    } else if (isKeyword(type, "DATETIME")) {
        type.text = QStringLiteral("REAL");
    } else if (isTextType(type) && open && size && close && open->text == u"(" && size->type == Token::Number
               && close->text == u")") {
        close->text += QStringLiteral(" CONSTRAINT ") + quotedIdentifier(kLengthPrefix + column + u':' + size->text)
                       + QStringLiteral(" CHECK(length(") + quotedIdentifier(column) + QStringLiteral(")<=")
                       + size->text + u')';
    }
}

} // namespace

QString quoted(const QString& text) { return QString(text).replace(u'\'', QStringLiteral("''")); }

QString quotedIdentifier(const QString& name) {
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

bool parseLengthConstraint(const QString& name, QString* column, int* size) {
    if (!name.startsWith(kLengthPrefix))
        return false;
    const QString rest = name.mid(kLengthPrefix.size());
    const qsizetype colon = rest.lastIndexOf(u':');
    if (colon < 0)
        return false;
    bool ok = false;
    *size = rest.mid(colon + 1).toInt(&ok);
    *column = rest.left(colon);
    return ok;
}

RewrittenStatement rewriteStatement(const QString& statement, const TableResolver& resolve) {
    QList<Token> tokens = tokenize(statement);

    // Everything after a ';' must be blank: one statement per text.
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        if (tokens[k].type != Token::Semicolon)
            continue;
        for (qsizetype m = k + 1; m < tokens.size(); ++m)
            if (tokens[m].significant() && tokens[m].type != Token::Semicolon)
                throw EngineError(QStringLiteral("Текст запроса содержит более одной инструкции"));
        tokens.resize(k);
        break;
    }

    QList<qsizetype> sig;
    for (qsizetype k = 0; k < tokens.size(); ++k)
        if (tokens[k].significant())
            sig.append(k);
    auto sigTok = [&](qsizetype idx) -> Token* { return idx >= 0 && idx < sig.size() ? &tokens[sig[idx]] : nullptr; };

    RewrittenStatement result;
    const bool isCreate = sigTok(0) && isKeyword(*sigTok(0), "CREATE");
    const bool isCreateTable = isCreate && sigTok(1) && isKeyword(*sigTok(1), "TABLE");
    result.changesSchema = isCreate || (sigTok(0) && (isKeyword(*sigTok(0), "DROP") || isKeyword(*sigTok(0), "ALTER")));

    int depth = 0;
    bool expectTable = false;  // the next name is a table's
    bool creatingName = false; // ... and the one CREATE makes
    bool ifNotExists = false;
    bool firstTableTaken = false;
    int fromListDepth = -1;    // depth of the FROM list being read; -1 outside one
    bool typeExpected = false; // CREATE TABLE: the next word is a column's type
    QString columnName;        // CREATE TABLE: the column being defined

    for (qsizetype idx = 0; idx < sig.size(); ++idx) {
        Token& t = *sigTok(idx);
        const bool isName = t.type == Token::Word || t.type == Token::QuotedName;
        if (t.type == Token::Punct && t.text.startsWith(u'('))
            ++depth;
        if (t.type == Token::Punct && t.text.startsWith(u')')) {
            --depth;
            if (fromListDepth > depth)
                fromListDepth = -1;
        }

        if (expectTable) {
            if (creatingName && (isKeyword(t, "IF") || isKeyword(t, "NOT") || isKeyword(t, "EXISTS"))) {
                ifNotExists = ifNotExists || isKeyword(t, "IF");
                continue;
            }
            expectTable = false;
            if (isName) {
                const Token* next = sigTok(idx + 1);
                if (next && next->text == u".") { // schema.table: the table follows the dot
                    ++idx;
                    expectTable = true;
                    continue;
                }
                const QString name = nameOf(t);
                const QString stored = resolve(name);
                // Quoted, so names that start with a digit or are key words work.
                t.text = quotedIdentifier(stored.isEmpty() ? name : stored);
                if (creatingName) {
                    creatingName = false;
                    if (!stored.isEmpty() && !ifNotExists)
                        throw EngineError(QStringLiteral("Таблица '") + name + QStringLiteral("' уже существует"));
                    continue;
                }
                if (!firstTableTaken) {
                    result.firstTable = stored.isEmpty() ? name : stored;
                    firstTableTaken = true;
                }
                continue;
            }
            creatingName = false;
        }
        if (t.type == Token::Punct && t.text == u"," && fromListDepth == depth) {
            expectTable = true; // FROM a, b
            continue;
        }

        if (isCreateTable && depth == 1 && isName) {
            const Token* prev = sigTok(idx - 1);
            if (prev && (prev->text == u"(" || prev->text == u",")) {
                columnName = nameOf(t);
                typeExpected = true;
                continue;
            }
            if (typeExpected) {
                typeExpected = false;
                rewriteColumnType(t, sigTok(idx + 1), sigTok(idx + 2), sigTok(idx + 3), columnName);
                continue;
            }
        }
        if (t.type != Token::Word)
            continue;

        const Token* prev = sigTok(idx - 1);
        if (isKeyword(t, "FROM")) {
            expectTable = true;
            fromListDepth = depth;
        } else if (isKeyword(t, "JOIN") || isKeyword(t, "INTO")) {
            expectTable = true;
        } else if (isKeyword(t, "UPDATE")) {
            // Not in "DO UPDATE SET" nor in a trigger's "AFTER UPDATE ON".
            expectTable = !(prev
                            && (isKeyword(*prev, "DO") || isKeyword(*prev, "AFTER") || isKeyword(*prev, "BEFORE")
                                || isKeyword(*prev, "OF")));
        } else if (isKeyword(t, "TABLE") || isKeyword(t, "VIEW")) {
            expectTable = true;
            creatingName = isCreate && idx == 1;
        } else if (fromListDepth == depth && isListEnd(t)) {
            fromListDepth = -1;
        }
    }

    for (const Token& t : tokens)
        result.sql += t.text;
    return result;
}

} // namespace engine
