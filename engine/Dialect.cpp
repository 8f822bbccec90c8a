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

// Everything after a ';' must be blank: one statement per text.
void cutAtSemicolon(QList<Token>& tokens) {
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        if (tokens[k].type != Token::Semicolon)
            continue;
        for (qsizetype m = k + 1; m < tokens.size(); ++m)
            if (tokens[m].significant() && tokens[m].type != Token::Semicolon)
                throw EngineError(QStringLiteral("Текст запроса содержит более одной инструкции"));
        tokens.resize(k);
        return;
    }
}

bool isName(const Token& t) { return t.type == Token::Word || t.type == Token::QuotedName; }

// One statement's tokens rewritten in place, read once from the start:
// table names resolved and quoted, CREATE TABLE's column types made
// SQLite's, the first table named kept.
class StatementRewriter {
public:
    StatementRewriter(QList<Token>& tokens, const TableResolver& resolve) : m_tokens(tokens), m_resolve(resolve) {
        for (qsizetype k = 0; k < tokens.size(); ++k)
            if (tokens[k].significant())
                m_sig.append(k);
        m_isCreate = sigTok(0) && isKeyword(*sigTok(0), "CREATE");
        m_isCreateTable = m_isCreate && sigTok(1) && isKeyword(*sigTok(1), "TABLE");
        m_result.changesSchema =
            m_isCreate || (sigTok(0) && (isKeyword(*sigTok(0), "DROP") || isKeyword(*sigTok(0), "ALTER")));
    }

    RewrittenStatement run() {
        for (qsizetype idx = 0; idx < m_sig.size(); ++idx) {
            Token& t = *sigTok(idx);
            followDepth(t);
            if (m_expectTable && takeTable(idx))
                continue;
            if (t.type == Token::Punct && t.text == u"," && m_fromListDepth == m_depth) {
                m_expectTable = true; // FROM a, b
                continue;
            }
            if (m_isCreateTable && m_depth == 1 && takeColumnDefinition(idx))
                continue;
            if (t.type == Token::Word)
                followKeyword(idx);
        }
        for (const Token& t : std::as_const(m_tokens))
            m_result.sql += t.text;
        return m_result;
    }

private:
    Token* sigTok(qsizetype idx) { return idx >= 0 && idx < m_sig.size() ? &m_tokens[m_sig[idx]] : nullptr; }

    void followDepth(const Token& t) {
        if (t.type == Token::Punct && t.text.startsWith(u'('))
            ++m_depth;
        if (t.type == Token::Punct && t.text.startsWith(u')')) {
            --m_depth;
            if (m_fromListDepth > m_depth)
                m_fromListDepth = -1;
        }
    }

    // Where a table's name is expected: true when the token was taken as
    // (part of) it.
    bool takeTable(qsizetype& idx) {
        Token& t = *sigTok(idx);
        if (m_creatingName && (isKeyword(t, "IF") || isKeyword(t, "NOT") || isKeyword(t, "EXISTS"))) {
            m_ifNotExists = m_ifNotExists || isKeyword(t, "IF");
            return true;
        }
        m_expectTable = false;
        if (!isName(t)) {
            m_creatingName = false;
            return false;
        }
        const Token* next = sigTok(idx + 1);
        if (next && next->text == u".") { // schema.table: the table follows the dot
            ++idx;
            m_expectTable = true;
            return true;
        }
        const QString name = nameOf(t);
        const QString stored = m_resolve(name);
        // Quoted, so names that start with a digit or are key words work.
        t.text = quotedIdentifier(stored.isEmpty() ? name : stored);
        if (m_creatingName) {
            m_creatingName = false;
            if (!stored.isEmpty() && !m_ifNotExists)
                throw EngineError(QStringLiteral("Таблица '") + name + QStringLiteral("' уже существует"));
            return true;
        }
        if (!m_firstTableTaken) {
            m_result.firstTable = stored.isEmpty() ? name : stored;
            m_firstTableTaken = true;
        }
        return true;
    }

    // Inside CREATE TABLE's parentheses: a column's name, then its type.
    bool takeColumnDefinition(qsizetype idx) {
        Token& t = *sigTok(idx);
        if (!isName(t))
            return false;
        const Token* prev = sigTok(idx - 1);
        if (prev && (prev->text == u"(" || prev->text == u",")) {
            m_columnName = nameOf(t);
            m_typeExpected = true;
            return true;
        }
        if (!m_typeExpected)
            return false;
        m_typeExpected = false;
        rewriteColumnType(t, sigTok(idx + 1), sigTok(idx + 2), sigTok(idx + 3), m_columnName);
        return true;
    }

    // The key words after which a table's name comes, and where a FROM list ends.
    void followKeyword(qsizetype idx) {
        const Token& t = *sigTok(idx);
        const Token* prev = sigTok(idx - 1);
        if (isKeyword(t, "FROM")) {
            m_expectTable = true;
            m_fromListDepth = m_depth;
        } else if (isKeyword(t, "JOIN") || isKeyword(t, "INTO")) {
            m_expectTable = true;
        } else if (isKeyword(t, "UPDATE")) {
            // Not in "DO UPDATE SET" nor in a trigger's "AFTER UPDATE ON".
            m_expectTable = !(prev
                              && (isKeyword(*prev, "DO") || isKeyword(*prev, "AFTER") || isKeyword(*prev, "BEFORE")
                                  || isKeyword(*prev, "OF")));
        } else if (isKeyword(t, "TABLE") || isKeyword(t, "VIEW")) {
            m_expectTable = true;
            m_creatingName = m_isCreate && idx == 1;
        } else if (m_fromListDepth == m_depth && isListEnd(t)) {
            m_fromListDepth = -1;
        }
    }

    QList<Token>& m_tokens;
    const TableResolver& m_resolve;
    QList<qsizetype> m_sig; // the significant tokens' places
    RewrittenStatement m_result;
    bool m_isCreate = false, m_isCreateTable = false;
    int m_depth = 0;
    bool m_expectTable = false;  // the next name is a table's
    bool m_creatingName = false; // ... and the one CREATE makes
    bool m_ifNotExists = false;
    bool m_firstTableTaken = false;
    int m_fromListDepth = -1;    // depth of the FROM list being read; -1 outside one
    bool m_typeExpected = false; // CREATE TABLE: the next word is a column's type
    QString m_columnName;        // CREATE TABLE: the column being defined
};

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
    cutAtSemicolon(tokens);
    return StatementRewriter(tokens, resolve).run();
}

} // namespace engine
