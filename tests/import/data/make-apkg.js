// Writes anki-deck.apkg with the npm package anki-apkg-export (an Anki
// package writer independent of this project):
//   npm install anki-apkg-export@4 && NODE_PATH=node_modules node make-apkg.js anki-deck.apkg
const fs = require('fs');
const AnkiExport = require('anki-apkg-export').default;
const deck = new AnkiExport('Kelp test deck');
deck.addCard('apple', 'n. <b>苹果</b>');
deck.addCard('river [sound:river.mp3]', 'n. 河流<br>江');
deck.addCard('AT&amp;T', '美国电话电报公司 &lt;公司&gt;');
deck.addCard('say &quot;cheese&quot;', '<div>拍照时说的话</div>');
deck.save().then(zip => fs.writeFileSync(process.argv[2], zip, 'binary'));
