#!/usr/bin/env python3
"""Every element type, hex and decimal, both byte orders, each type's edges
(min, max, 0, 1, -1, -0.0, the smallest subnormal, the largest finite value,
+-inf, NaN) beside random values: printed by the typed walk in each language,
read back by the real compiler, interpreter or assembler (C as C11 with
-pedantic -Werror and as C++17), compared with the bytes; beside them one
record table (padding, an array field, big-endian) and one two-dimensional
table in each language that takes them. One build per language holds every
table. NaN payloads are compared where the language
keeps them (Java, the assemblers); elsewhere NaNs compare as one.
Usage: typed_output_compiles.py PRINT_TYPED_TABLE"""
import math, os, random, shutil, struct, subprocess, sys, tempfile
D=tempfile.mkdtemp(prefix='zemrik-typed-')
PRINT=sys.argv[1]
random.seed(5)
INTS={'u8':('B',1),'u16':('H',2),'u32':('I',4),'u64':('Q',8),'i8':('b',1),'i16':('h',2),'i32':('i',4),'i64':('q',8)}
_cache={}
def values(t):
    if t not in _cache: _cache[t]=_values(t)
    return _cache[t]
def _values(t):
    if t in INTS:
        f,w=INTS[t]; bits=8*w
        if t[0]=='u': lo,hi=0,2**bits-1
        else: lo,hi=-2**(bits-1),2**(bits-1)-1
        v=[lo,hi,0,1,lo+1]+([-1] if t[0]=='i' else [])+[random.randint(lo,hi) for _ in range(6)]
        return struct.pack('<%d%s'%(len(v),f),*v)
    if t=='f32':
        pats=[0x80000000,1,0x7F7FFFFF,0x7F800000,0xFF800000,0x7FC00000,0xFFC00001,0,0x3F800000]+[random.getrandbits(32) & 0x7F7FFFFF for _ in range(6)]
        return b''.join(struct.pack('<I',p) for p in pats)
    pats=[0x8000000000000000,1,0x7FEFFFFFFFFFFFFF,0x7FF0000000000000,0xFFF0000000000000,0x7FF8000000000000,0xFFF8000000000001,0,0x3FF0000000000000]+[random.getrandbits(64)&0x7FEFFFFFFFFFFFFF for _ in range(6)]
    return b''.join(struct.pack('<Q',p) for p in pats)
def width(t): return {'8':1,'16':2,'32':4,'64':8}[t[1:]]
def file_bytes(t,order):
    le=values(t); w=width(t)
    if order=='le': return le
    return b''.join(le[i:i+w][::-1] for i in range(0,len(le),w))
def canon(t,data,nan_bits=False):
    # Where NaN payloads are not kept, NaNs compare as one
    if t[0]!='f' or nan_bits: return data
    w=width(t); out=b''
    for i in range(0,len(data),w):
        x=struct.unpack('<'+('f' if w==4 else 'd'),data[i:i+w])[0]
        out+= b'NAN!'*(w//4) if math.isnan(x) else data[i:i+w]
    return out
def table(lang,t,nota,order,name,fixed=False):
    p=os.path.join(D,'in.bin'); open(p,'wb').write(file_bytes(t,order))
    return subprocess.run([PRINT,lang,t,nota,order,name,p]+(['fixed'] if fixed else []),capture_output=True,text=True).stdout
# One record table and one 2-D table per language that takes them, after the typed ones.
RECORD=[('id','u16',1),('_','u8',1),('v','i8',1),('s','f32',2),('big','i64',1),('d','f64',1)]
RECORD_SPEC=','.join('%s:%s%s'%(n,t,'[%d]'%c if c>1 else '') for n,t,c in RECORD)
RECORDS=3
DIMS=(3,4)
def finite(t):
    w=width(t); v=values(t)
    items=[v[i:i+w] for i in range(0,len(v),w)]
    return [x for x in items if t[0]!='f' or not math.isnan(struct.unpack('<'+('f' if w==4 else 'd'),x)[0])]
def record_bytes():
    be=b''; want=b''
    for r in range(RECORDS):
        for n,t,c in RECORD:
            for j in range(c):
                x=random.choice(finite(t)); be+=x[::-1]
                if n!='_': want+=x
    return be,want
REC_BE,REC_WANT=record_bytes()
DIM_LE=b''.join(random.choice(finite('i16')) for _ in range(DIMS[0]*DIMS[1]))
DIM_BE=b''.join(DIM_LE[i:i+2][::-1] for i in range(0,len(DIM_LE),2))
SHAPED_WANT=REC_WANT+DIM_LE
def shaped(lang,rec,dim,fixed=False):
    '''The record table (hex, big-endian) and the 2-D table (i16, decimal, big-endian).'''
    naming=['fixed' if fixed else 'classic']
    p=os.path.join(D,'rec.bin'); open(p,'wb').write(REC_BE)
    r=subprocess.run([PRINT,lang,'u8','hex','be',rec,p]+naming+[RECORD_SPEC],capture_output=True,text=True)
    p=os.path.join(D,'dim.bin'); open(p,'wb').write(DIM_BE)
    d=subprocess.run([PRINT,lang,'i16','dec','be',dim,p]+naming+['-','%dx%d'%DIMS],capture_output=True,text=True)
    if r.returncode or d.returncode: fails.append((lang,'shaped table refused',r.stderr,d.stderr))
    return r.stdout+'\n'+d.stdout+'\n'
FIELDS=[(n,t,c) for n,t,c in RECORD if n!='_']
fails=[]
types=list(INTS)+['f32','f64']
combos=[(t,n,o) for t in types for n in ('hex','dec') for o in ('le','be')]
def check_bytes(who,got,nan_bits=False,with_shapes=False):
    pos=0
    for t,n,o in combos:
        w=canon(t,values(t),nan_bits); g=canon(t,got[pos:pos+len(w)],nan_bits); pos+=len(w)
        if g!=w: fails.append((who,t,n,o,'bytes differ'))
    if with_shapes and got[pos:]!=SHAPED_WANT:
        fails.append((who,'record and 2-D tables differ',got[pos:].hex(),SHAPED_WANT.hex()))
# Per element type: the C type, Python's struct letter, C#'s byte helper's type, Java's ByteBuffer.put suffix.
CT={'u8':'uint8_t','u16':'uint16_t','u32':'uint32_t','u64':'uint64_t','i8':'int8_t','i16':'int16_t','i32':'int32_t','i64':'int64_t','f32':'float','f64':'double'}
PYF={'u8':'B','u16':'H','u32':'I','u64':'Q','i8':'b','i16':'h','i32':'i','i64':'q','f32':'f','f64':'d'}
CST=['byte','sbyte','ushort','short','uint','int','ulong','long','float','double']
JPUT={'8':'','16':'Short','32':'Int','64':'Long'}
def jput(t): return {'f32':'Float','f64':'Double'}.get(t,JPUT[t[1:]])
TOTAL=sum(len(values(t)) for t,n,o in combos)
# One program a language: head, every table, mid, a reader line per table, tail. Each run is a list of
# commands ({src}, {dir} filled in); the last one's standard output is what the tables hold, unless `out`
# names the file that does. No command may print a warning. nan_bits: NaN payloads read back too.
LANGS=[
 dict(lang='c',src='a.c',name='t%d',head='#include <stdint.h>\n#include <math.h>\n#include <stdio.h>\n',mid='int main(void){\n',
      each=lambda i,t:'for (size_t k=0;k<sizeof t%d/sizeof t%d[0];++k){%s v=(%s)t%d[k];fwrite(&v,sizeof v,1,stdout);}\n'%(i,i,CT[t],CT[t],i),
      tail='return 0;}\n',
      runs={'gcc':[['gcc','-std=c11','-Wall','-Wextra','-pedantic','-Werror','-x','c','{src}','-o','{dir}/c.out','-lm'],['{dir}/c.out']],
            'g++':[['g++','-std=c++17','-Wall','-Werror','-x','c++','{src}','-o','{dir}/c.out','-lm'],['{dir}/c.out']]}),
 dict(lang='python',src='a.py',name='t%d',head='import struct,sys\nout=b""\n',
      each=lambda i,t:'out+=struct.pack("<%%d%s"%%len(t%d),*t%d)\n'%(PYF[t],i,i),tail='sys.stdout.buffer.write(out)\n',
      runs={'python':[['python3','{src}']]}),
 dict(lang='rust',src='a.rs',name='T%d',head='#![allow(dead_code)]\nuse std::io::Write;\n',mid='fn main(){ let mut o=std::io::stdout();\n',
      each=lambda i,t:'for v in T%d.iter() { o.write_all(&v.to_le_bytes()).unwrap(); }\n'%i,tail='}\n',
      runs={'rust':[['rustc','-D','warnings','-o','{dir}/rs.out','{src}'],['{dir}/rs.out']]}),
 dict(lang='go',src='main.go',name='t%d',head='package main\nimport (\n"encoding/binary"\n"math"\n"os"\n)\nvar _ = math.Pi\n',mid='func main(){\n',
      each=lambda i,t:'binary.Write(os.Stdout, binary.LittleEndian, t%d)\n'%i,tail='}\n',
      env={'GOCACHE':D+'/gocache','GO111MODULE':'off'},runs={'go':[['go','run','{src}']]}),
 dict(lang='csharp',src='a.cs',name='t%d',
      head='using System;\nclass P {\n'+''.join('static byte[] Bytes(%s v){return %s;}\n'%(c,'new byte[]{(byte)v}' if 'byte' in c else 'BitConverter.GetBytes(v)') for c in CST),
      mid='static void Main(){ var s=Console.OpenStandardOutput();\n',
      each=lambda i,t:'foreach (var v in t%d) { var b=Bytes(v); s.Write(b,0,b.Length);}\n'%i,tail='}}\n',
      runs={'csharp':[['mcs','-warnaserror','-out:{dir}/cs.exe','{src}'],['mono','{dir}/cs.exe']]}),
 dict(lang='asm',src='a.asm',name='t%d',nan_bits=True,out='a.bin',runs={'asm':[['nasm','-f','bin','-o','{dir}/a.bin','{src}']]}),
 dict(lang='gas',src='a.s',name='t%d',nan_bits=True,head='\t.data\n',out='a.bin',
      runs={'gas':[['as','--fatal-warnings','-o','{dir}/a.o','{src}'],['objcopy','-O','binary','-j','.data','{dir}/a.o','{dir}/a.bin']]}),
 # Delphi with --fixed-types: the dialog's own dwords are longint, whose values from $80000000 on fpc warns of.
 dict(lang='delphi',fixed=True,src='p.pas',name='t%d',head='program p;\nuses Math;\n',
      mid="var f: file; k: Integer;\nbegin\nAssign(f, '%s/pas.bin'); Rewrite(f, 1);\n"%D,
      each=lambda i,t:'BlockWrite(f, t%d, SizeOf(t%d));\n'%(i,i),tail='Close(f);\nend.\n',out='pas.bin',
      runs={'fpc':[['fpc','-Mdelphi','-Sew','-vw','-FE{dir}','{src}'],['{dir}/p']]}),
 dict(lang='java',src='P.java',name='T%d',nan_bits=True,head='class P {\n',
      mid='public static void main(String[] a) {\nvar b=java.nio.ByteBuffer.allocate(%d).order(java.nio.ByteOrder.LITTLE_ENDIAN);\n'%(TOTAL+len(SHAPED_WANT)),
      each=lambda i,t:'for (var v : T%d) b.put%s(v);\n'%(i,jput(t)),tail='System.out.write(b.array(), 0, b.position());\nSystem.out.flush();\n}}\n',
      runs={'java':[['javac','-Xlint:all','-Werror','-d','{dir}/java','{src}'],['java','-cp','{dir}/java','P']]}),
 dict(lang='javascript',src='a.js',name='t%d',head='const out=[];\n',
      each=lambda i,t:'out.push(Buffer.from(t%d.buffer));\n'%i,tail='process.stdout.write(Buffer.concat(out));\n',
      runs={'node':[['node','{src}']]}),
]
# Per language: the record table's and the 2-D table's names and the lines reading them back.
def c_read():
    body='for (size_t k=0;k<%d;++k){\n'%RECORDS
    for n,t,c in FIELDS:
        for j in range(c): body+='{%s v=xr[k].%s%s;fwrite(&v,sizeof v,1,stdout);}\n'%(CT[t],n,'[%d]'%j if c>1 else '')
    return body+'}\nfor (size_t k=0;k<%d;++k){int16_t v=(int16_t)xd[k/%d][k%%%d];fwrite(&v,sizeof v,1,stdout);}\n'%(DIMS[0]*DIMS[1],DIMS[1],DIMS[1])
def python_read():
    letters=''.join(PYF[t]*c for n,t,c in FIELDS)
    return ('for r in xr:\n    flat=[]\n    for f in r: flat+=list(f) if isinstance(f,tuple) else [f]\n    out+=struct.pack("<%s",*flat)\n'%letters+
            'for row in xd: out+=struct.pack("<%dh",*row)\n'%DIMS[1])
def rust_read():
    body='for r in XR.iter() {\n'
    for n,t,c in FIELDS:
        body+=('for v in r.%s.iter() { o.write_all(&v.to_le_bytes()).unwrap(); }\n'%n) if c>1 else 'o.write_all(&r.%s.to_le_bytes()).unwrap();\n'%n
    return body+'}\nfor row in XD.iter() { for v in row.iter() { o.write_all(&v.to_le_bytes()).unwrap(); } }\n'
def csharp_read():
    body='foreach (var r in xr) {\n'
    for n,t,c in FIELDS:
        body+=('foreach (var v in r.%s) { var b=Bytes(v); s.Write(b,0,b.Length);}\n'%n) if c>1 else '{ var b=Bytes(r.%s); s.Write(b,0,b.Length);}\n'%n
    return body+'}\nforeach (var v in xd) { var b=Bytes(v); s.Write(b,0,b.Length);}\n'
def delphi_read():
    body='for k := 0 to %d do begin\n'%(RECORDS-1)
    for n,t,c in FIELDS: body+='BlockWrite(f, xr[k].%s, SizeOf(xr[k].%s));\n'%(n,n)
    return body+'end;\nBlockWrite(f, xd, SizeOf(xd));\n'
def java_read():
    body='for (var r : xr) {\n'
    for n,t,c in FIELDS:
        body+=('for (var v : r.%s()) b.put%s(v);\n'%(n,jput(t))) if c>1 else 'b.put%s(r.%s());\n'%(jput(t),n)
    return body+'}\nfor (var row : xd) for (var v : row) b.putShort(v);\n'
# JavaScript's DataView setters; a record's plain number must be its float's own value.
JSSET={'u16':'Uint16','i8':'Int8','f32':'Float32','i64':'BigInt64','f64':'Float64'}
def javascript_read():
    body='function put(w,t,x){const d=new DataView(new ArrayBuffer(w));d["set"+t](0,x,true);out.push(Buffer.from(d.buffer));}\n'
    body+='for (const r of xr) {\n'
    for n,t,c in FIELDS:
        if c>1: body+='for (const v of r.%s) put(%d,"%s",v);\n'%(n,width(t),JSSET[t])
        else: body+=('if (Math.fround(r.%s)!==r.%s) process.exit(1);\n'%(n,n) if t=='f32' else '')+'put(%d,"%s",r.%s);\n'%(width(t),JSSET[t],n)
    return body+'}\nfor (const row of xd) out.push(Buffer.from(row.buffer));\n'
SHAPES={'c':('xr','xd',c_read()),'java':('xr','xd',java_read()),'javascript':('xr','xd',javascript_read()),'python':('xr','xd',python_read()),'rust':('XR','XD',rust_read()),
        'go':('xr','xd','binary.Write(os.Stdout, binary.LittleEndian, xr)\nbinary.Write(os.Stdout, binary.LittleEndian, xd)\n'),
        'csharp':('xr','xd',csharp_read()),'asm':('xr','xd',''),'gas':('xr','xd',''),'delphi':('xr','xd',delphi_read())}
def check(L):
    shapes=SHAPES.get(L['lang'])
    src=L.get('head','')+''.join(table(L['lang'],t,n,o,L['name']%i,L.get('fixed'))+'\n' for i,(t,n,o) in enumerate(combos))
    if shapes: src+=shaped(L['lang'],shapes[0],shapes[1],L.get('fixed'))
    src+=L.get('mid','')+''.join(L['each'](i,t) for i,(t,n,o) in enumerate(combos) if 'each' in L)
    src+=(shapes[2] if shapes else '')+L.get('tail','')
    path=os.path.join(D,L['src']); open(path,'w').write(src)
    env=dict(os.environ,**L.get('env',{}))
    for who,steps in L['runs'].items():
        for step in steps:
            r=subprocess.run([a.format(src=path,dir=D) for a in step],capture_output=True,env=env)
            said=(r.stdout if 'out' in L or step is not steps[-1] else b'')+r.stderr
            if r.returncode or b'warning' in said.lower():
                fails.append((who,said.decode(errors='replace')[:1500])); break
        else:
            check_bytes(who,open(os.path.join(D,L['out']),'rb').read() if 'out' in L else r.stdout,L.get('nan_bits',False),
                        shapes is not None)
for L in LANGS: check(L)
for x in fails: print(x)
print('failures', len(fails))
shutil.rmtree(D, ignore_errors=True)
sys.exit(1 if fails else 0)
