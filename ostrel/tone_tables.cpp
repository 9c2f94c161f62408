#include "ostrel/tone_tables.h"

#include <algorithm>

namespace sonde::ostrel {

// Sorted by angle.
const ReferenceSinCos kReferenceSinCos[kReferenceExceptions] = {
    {-0x1.7c60ce4ed9d48p+9, -0x1.e2b5d3806f646p-2, 0x1.c38b2f180bdaep-1},
    {-0x1.4fc1f999beca6p+9, 0x1.6a09e667f3eafp-1, 0x1.6a09e667f38eap-1},
    {-0x1.d6fe5377aba31p+8, 0x1.f19f97b21623ap-3, 0x1.f0a7efb9230a5p-1},
    {-0x1.c4d4c4d7c65e8p+8, -0x1.b5d1009e15cc6p-2, 0x1.ced7af43cc771p-1},
    {-0x1.73d641e536a92p+8, -0x1.ced7af43cc6c6p-1, 0x1.b5d1009e15f9cp-2},
    {-0x1.0cc0e10d97083p+8, 0x1.fa7557f08a538p-1, 0x1.2c8106e8e5db8p-3},
    {-0x1.dba82199ce496p+7, 0x1.9b3e047f38804p-1, 0x1.30ff7fce16f2ep-1},
    {-0x1.637da7eee851ep+7, -0x1.f0a7efb9230bap-1, -0x1.f19f97b2160f4p-3},
    {-0x1.c59143b4be5dcp+6, -0x1.294062ed59dfp-2, 0x1.e9f4156c62e04p-1},
    {-0x1.4c06ee4b3cabcp+6, -0x1.f0a7efb9230dap-1, 0x1.f19f97b215ef2p-3},
    {-0x1.b9c955e53e68bp+5, 0x1.f0a7efb9230d6p-1, 0x1.f19f97b215f2ep-3},
    {-0x1.cb753a9c7e587p+4, 0x1.b5d1009e15cecp-2, -0x1.ced7af43cc768p-1},
    {-0x1.db74466c5ac02p+0, -0x1.eb23544259ed7p-1, -0x1.215397a111042p-2},
    {0x1.18cb7521b743fp+2, -0x1.e533b171c88d3p-1, -0x1.46f1a8568612ep-2},
    {0x1.47eb2c5fb7188p+2, -0x1.d54abfe1a2488p-1, 0x1.996f137a6c8a8p-2},
    {0x1.00422e59937ep+3, 0x1.f9eedd508fb26p-1, -0x1.3a57e67229a32p-3},
    {0x1.b6bab89718582p+3, 0x1.d20e30945cc8fp-1, 0x1.a7f6bf1e52efap-2},
    {0x1.23699c7991a33p+4, -0x1.303b1e055db7cp-1, 0x1.9bcf617ef01efp-1},
    {0x1.34fd538990b5cp+4, 0x1.c8b43f24221f6p-2, 0x1.ca41c128c9efep-1},
    {0x1.4a5fcf5c4d8dfp+4, 0x1.f2bec202b487ap-1, -0x1.cefc870d6fdp-3},
    {0x1.5d0b7c17dd5dap+4, 0x1.6646de42ac114p-3, -0x1.f81ac12cbc1f1p-1},
    {0x1.aeea48383caa7p+4, 0x1.f2ac5256337c7p-1, -0x1.d039d7997b0b2p-3},
    {0x1.cb753a9c7e587p+4, -0x1.b5d1009e15cecp-2, -0x1.ced7af43cc768p-1},
    {0x1.2c9d17049f0d7p+5, -0x1.f4219195c31e4p-4, 0x1.fc2b418a37437p-1},
    {0x1.3c4d3d038cd95p+5, 0x1.edbfc8bcd9178p-1, -0x1.0ef78929b5674p-2},
    {0x1.9b030438f26bfp+5, 0x1.cad2af9f8b789p-1, 0x1.c66cbbf34ed46p-2},
    {0x1.9c2a3f25b999ep+5, 0x1.e6b456fdb6bcep-1, 0x1.3de2a729bc582p-2},
    {0x1.b9c955e53e68bp+5, -0x1.f0a7efb9230d6p-1, 0x1.f19f97b215f2ep-3},
    {0x1.c63a83478469cp+5, 0x1.d2b4556c828dap-3, 0x1.f2874d233ceedp-1},
    {0x1.d23cfa90ffb99p+5, 0x1.f96f5c31a870bp-1, -0x1.46e96fa335158p-3},
    {0x1.fdbbbccfe51aap+5, 0x1.8c2f480b1ab1dp-1, 0x1.44513857789dap-1},
    {0x1.061ab1506aa4p+6, 0x1.bafc76f0b41f6p-2, -0x1.cd9c712368b1ap-1},
    {0x1.070f0563d1af7p+6, 0x1.a879af4f47a1ap-3, -0x1.f4e1cbc263a48p-1},
    {0x1.0e8d618428bf4p+6, -0x1.fdbf7f7cdd43bp-1, 0x1.7fbea099d4f9cp-4},
    {0x1.12d1dc1d94d46p+6, -0x1.984465dd47db2p-2, 0x1.d58bc8d9e4709p-1},
    {0x1.172a102b3c907p+6, 0x1.405ccf139c42cp-1, 0x1.8f63abe752936p-1},
    {0x1.18eaa286dbbf6p+6, 0x1.cb86d476e3153p-1, 0x1.c392555cbf1bcp-2},
    {0x1.3d7c1a90ef3f8p+6, -0x1.7a4c0268bfc36p-1, -0x1.5903e0304f677p-1},
    {0x1.41a2ad8aa60d4p+6, -0x1.e9655cdd24a22p-1, 0x1.2ce71618ced84p-2},
    {0x1.4c06ee4b3cabcp+6, 0x1.f0a7efb9230dap-1, 0x1.f19f97b215ef2p-3},
    {0x1.96c3a0b543271p+6, 0x1.d56b4a4e16652p-1, 0x1.98d9c1d802f4p-2},
    {0x1.96e559a5460abp+6, 0x1.dbe53fcc78467p-1, 0x1.79b776f204f1p-2},
    {0x1.978282646ba7fp+6, 0x1.f32c56fabc2bdp-1, 0x1.c78baedba8812p-3},
    {0x1.c2afd34784056p+6, -0x1.a6ce1ff560d2cp-2, 0x1.d2518964b6a95p-1},
    {0x1.c59143b4be5dcp+6, 0x1.294062ed59dfp-2, 0x1.e9f4156c62e04p-1},
    {0x1.d04df58f059e6p+6, 0x1.4bef8d7c823dcp-3, -0x1.f93af5965b7bap-1},
    {0x1.e02302eb8c502p+6, 0x1.3759666bfde59p-1, 0x1.96747a9e3aeep-1},
    {0x1.f814daecfee3p+6, 0x1.6586b01031p-2, 0x1.dfc7644489382p-1},
    {0x1.12369c0696052p+7, -0x1.cd9c712368b4ep-1, 0x1.bafc76f0b411fp-2},
    {0x1.13c818d922adfp+7, -0x1.54c7461bb38a2p-2, 0x1.e2d0f4dfef06bp-1},
    {0x1.1b44ddc2aebc9p+7, -0x1.0a0e0c8d64686p-2, -0x1.ee6aa1645052ap-1},
    {0x1.26ed9e2d0a364p+7, 0x1.844e53649a396p-3, -0x1.f6b679c9974fep-1},
    {0x1.364318f8c4c5p+7, -0x1.dbe53fcc7846cp-1, -0x1.79b776f204ef8p-2},
    {0x1.4278771ba0373p+7, -0x1.b2adf27e0f98ep-1, -0x1.0e8d02d00a5a6p-1},
    {0x1.5000f746bf5b6p+7, -0x1.fe9fd815b9b4p-1, -0x1.2c0d24c219c3ap-4},
    {0x1.595113ac12d8fp+7, 0x1.07f3ee763ee92p-3, -0x1.fbbad48b63989p-1},
    {0x1.5dae5ecf77654p+7, -0x1.c5a04a2aa7998p-1, 0x1.dad60b4052231p-2},
    {0x1.62c5748c47a23p+7, 0x1.fca849806a491p-1, 0x1.d346cee699abap-4},
    {0x1.637da7eee851ep+7, 0x1.f0a7efb9230bap-1, -0x1.f19f97b2160f4p-3},
    {0x1.71da5a74369efp+7, 0x1.a88afe9d5a219p-2, -0x1.d1ec727b783c8p-1},
    {0x1.7392a74c82fb8p+7, -0x1.ad2b76a3fb3e2p-2, -0x1.d0dcd9940a82ap-1},
    {0x1.917e185217fep+7, -0x1.3de2a729bc496p-2, 0x1.e6b456fdb6bf4p-1},
    {0x1.93a98f763442p+7, 0x1.6424901829735p-1, 0x1.6fd70c55e14cp-1},
    {0x1.a23b62ee654c8p+7, 0x1.f5c9434c4207p-1, -0x1.9707de861e942p-3},
    {0x1.a246d6df4e211p+7, 0x1.f36276fa57e96p-1, -0x1.c3d2a6babac9cp-3},
    {0x1.a2b25e8a82d02p+7, 0x1.d0dcd9940a7aep-1, -0x1.ad2b76a3fb5fap-2},
    {0x1.afa092f2b68bep+7, 0x1.a2541641bdcb4p-1, -0x1.27342d9631762p-1},
    {0x1.b563225bcf6ffp+7, -0x1.e071268cadb35p-1, 0x1.61f23e8afc89cp-2},
    {0x1.d25ff94671d13p+7, 0x1.4d94a057a617p-1, 0x1.846ad47351ecp-1},
    {0x1.f63cbdccd670ep+7, -0x1.a879af4f479ap-3, 0x1.f4e1cbc263a4ep-1},
    {0x1.f983590a19742p+7, 0x1.fadedded76afbp-1, 0x1.212ba1ca09598p-3},
    {0x1.0cc0e10d97083p+8, -0x1.fa7557f08a538p-1, 0x1.2c8106e8e5db8p-3},
    {0x1.207843e8693ffp+8, -0x1.0e8d02d00a442p-1, 0x1.b2adf27e0fa6cp-1},
    {0x1.39fdd2d5eb16ap+8, -0x1.55fa3401b1534p-3, 0x1.f8cfc2d7db95p-1},
    {0x1.40b48d99bd1fap+8, 0x1.0a0e0c8d6493p-2, 0x1.ee6aa164504cep-1},
    {0x1.444cc2eb7b0d2p+8, -0x1.4ffcd247d185ap-1, -0x1.82564b3c98c54p-1},
    {0x1.462a714b6a031p+8, -0x1.0fe664e47fdc6p-1, 0x1.b1d63b0d98b61p-1},
    {0x1.5b3feff55f0dap+8, 0x1.fd3ef7d623b23p-1, -0x1.a8446de910662p-4},
    {0x1.a2b25e8a82d02p+8, -0x1.85a8829299666p-1, -0x1.4c21533f555bep-1},
    {0x1.c4d4c4d7c65e8p+8, 0x1.b5d1009e15cc6p-2, 0x1.ced7af43cc771p-1},
};

void sincos_reference(double x, double& s, double& c) {
    const ReferenceSinCos* end = kReferenceSinCos + kReferenceExceptions;
    const ReferenceSinCos* e =
        std::lower_bound(kReferenceSinCos, end, x, [](const ReferenceSinCos& a, double v) { return a.x < v; });
    if (e != end && e->x == x) {
        s = e->sin_x;
        c = e->cos_x;
        return;
    }
    sincos_nearest(x, s, c);
}

}  // namespace sonde::ostrel
