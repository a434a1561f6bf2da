#pragma once
// The module's connections carry the fixture's session, as they carry the shell's once the
// user has signed in.

#include "host/net/clientsession.h"
#include "serverfixture.h"

#include <gtest/gtest.h>

namespace vnd::net::test
{

inline void signInClient(const server::test::ServerFixture &fixture)
{
    const data::Reply r = ClientSession::instance().adopt(
        QStringLiteral("127.0.0.1"), fixture.port(), QByteArray::fromStdString(fixture.token()));
    ASSERT_TRUE(r.ok) << qPrintable(r.errorMessage);
}

inline void signOutClient()
{
    ClientSession::instance().renew = nullptr;
    ClientSession::instance().clear();
}

} // namespace vnd::net::test
