#pragma once
// The real server over a demo database, reached through the module's own connection and
// its typed facade rather than a bare HTTP client.

#include "clientsignin.h"
#include "contracts/rdmtabgeral.h"
#include "host/net/netconnection.h"
#include "printers.h"
#include "serverfixture.h"

namespace vnd::net::test
{

class NetFixture : public server::test::ServerFixture
{
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        if (HasFatalFailure())
            return;
        m_conn.Port = port();
        signInClient(*this);
    }
    void TearDown() override
    {
        // An idle kept-alive connection would hold the server's shutdown until it times out.
        m_conn.close();
        signOutClient();
        ServerFixture::TearDown();
    }

    // The packet of a reply that must have succeeded.
    static data::DataPacket packetOf(const data::Reply &r)
    {
        EXPECT_TRUE(r.ok) << qPrintable(r.errorMessage);
        if (!r.ok || r.result.kind() != data::Value::Kind::Packet)
            return {};
        return r.result.packet();
    }
    static QStringList namesOf(const data::DataPacket &p)
    {
        QStringList names;
        for (const data::FieldDef &f : p.fields)
            names << f.name;
        return names;
    }

    TNetConnection m_conn;
    contracts::RdmTabGeral m_rdm{m_conn};
};

} // namespace vnd::net::test
