# shellcheck shell=bash
# The rig's test PKI in DIR/tls, made afresh at every start with the openssl command line (RSA
# 2048, SHA-256); sourced by rig.sh, which sets tls_dir, log_dir and the names of
# templates/openssl.cnf.in. ca.pem is the CA a client trusts; every certificate below is issued
# by it except unknown-ca.pem, issued by a second CA that appears nowhere else:
#   server.pem       the rig's own names (localhost, mx.velmor-rig.test, dual.velmor-rig.test,
#                    127.0.0.1, ::1, and the POP3 addresses of expired.pem and future.pem)
#   other-name.pem   only other.velmor-rig.test, so it matches none of the names a client uses
#   expired.pem      the rig's names, but valid only during 2020
#   future.pem       the rig's names, but valid only from 2040
#   unknown-ca.pem   the rig's names, valid now, from the untrusted CA
# The dates of expired.pem and future.pem are at noon UTC, so that their day is the same in
# every time zone a test runs in (a client shows the day in local time).
# Certificates are issued with "openssl ca", which can set any validity period; its database
# and the CA keys stay in DIR/tls/ca-db and DIR/tls/*-ca.key.
make_pki() {
    local ca_db=$tls_dir/ca-db
    mkdir -p "$ca_db/trusted/new" "$ca_db/untrusted/new" || return 1
    chmod 755 "$tls_dir" || return 1
    local name
    for name in trusted untrusted; do
        : >"$ca_db/$name/index.txt" && echo 01 >"$ca_db/$name/serial" || return 1
    done
    # The validity of every certificate that is meant to be valid: from a day ago (so a clock a
    # little behind does not matter) for 30 days.
    local from until
    from=$(date -u -d '1 day ago' +%Y%m%d%H%M%SZ) || return 1
    until=$(date -u -d '29 days' +%Y%m%d%H%M%SZ) || return 1
    fill_template openssl.cnf "$tls_dir/openssl.cnf" || return 1
    # The keys side by side: generating them is most of the time this takes.
    local keys=() key
    for name in ca untrusted-ca server other-name expired future unknown-ca; do
        openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 \
            -out "$tls_dir/$name.key" >>"$log_dir/tls.log" 2>&1 &
        keys+=($!)
    done
    for key in "${keys[@]}"; do
        wait "$key" || return 1
    done
    {
        issue_certificate trusted ca "Velmor Mail Rig Test CA" ca_cert "$from" "$until" selfsign &&
            issue_certificate untrusted untrusted-ca "Velmor Mail Rig Untrusted CA" ca_cert \
                "$from" "$until" selfsign &&
            issue_certificate trusted server "$tls_host" rig_names "$from" "$until" &&
            issue_certificate trusted other-name "other.$domain" other_name "$from" "$until" &&
            issue_certificate trusted expired "$tls_host" rig_names \
                20200101120000Z 20210101120000Z &&
            issue_certificate trusted future "$tls_host" rig_names \
                20400101120000Z 20410101120000Z &&
            issue_certificate untrusted unknown-ca "$tls_host" rig_names "$from" "$until"
    } >>"$log_dir/tls.log" 2>&1 || return 1
    # The servers' unprivileged processes may read certificates and keys (throw-away keys of a
    # rig that exists only inside a private namespace); the CA keys stay private to root.
    chmod 644 "$tls_dir"/*.pem "$tls_dir"/server.key "$tls_dir"/other-name.key \
        "$tls_dir"/expired.key "$tls_dir"/future.key "$tls_dir"/unknown-ca.key || return 1
    chmod 600 "$tls_dir"/ca.key "$tls_dir"/untrusted-ca.key
}

# issue_certificate CA NAME CN EXTENSIONS START END [selfsign]: the certificate NAME.pem of the
# key NAME.key, issued by the CA section given of openssl.cnf (or by the key itself).
issue_certificate() {
    local ca=$1 name=$2 cn=$3 extensions=$4 start=$5 end=$6 self=${7:-}
    openssl req -new -key "$tls_dir/$name.key" -subj "/CN=$cn" \
        -out "$tls_dir/$name.csr" || return 1
    openssl ca -config "$tls_dir/openssl.cnf" -name "$ca" -batch -notext \
        ${self:+-selfsign -keyfile "$tls_dir/$name.key"} -extensions "$extensions" \
        -startdate "$start" -enddate "$end" -in "$tls_dir/$name.csr" \
        -out "$tls_dir/$name.pem" || return 1
    rm -f "$tls_dir/$name.csr"
}
